#include "singleline.h"

#include <QLineEdit>

namespace kv::forms {

namespace {

bool breaksLine(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t') || c == QChar(0x0B)
           || c == QChar(0x0C) || c == QChar(0x85) || c == QChar(0x2028) || c == QChar(0x2029);
}

// The text made one line; `pos`, a position in `text`, is moved to the same place in the result.
QString oneLine(const QString& text, int* pos)
{
    QString out;
    out.reserve(text.size());
    int newPos = pos ? *pos : 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (pos && i == *pos)
            newPos = int(out.size());
        if (!breaksLine(text[i])) {
            out.append(text[i]);
            continue;
        }
        if (out.isEmpty() || out.back() != QChar(0xE000))
            out.append(QChar(0xE000)); // one mark per run, a space below
    }
    if (pos && *pos >= text.size())
        newPos = int(out.size());
    out.replace(QChar(0xE000), QLatin1Char(' '));
    if (pos)
        *pos = newPos;
    return out;
}

} // namespace

QString singleLine(const QString& text)
{
    for (QChar c : text)
        if (breaksLine(c))
            return oneLine(text, nullptr);
    return text;
}

QValidator::State SingleLineValidator::validate(QString& input, int& pos) const
{
    for (QChar c : std::as_const(input)) {
        if (breaksLine(c)) {
            input = oneLine(input, &pos);
            break;
        }
    }
    return Acceptable;
}

QLineEdit* keepOnOneLine(QLineEdit* field)
{
    if (field && !field->validator())
        field->setValidator(new SingleLineValidator(field));
    return field;
}

} // namespace kv::forms
