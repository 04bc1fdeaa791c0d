#include "singleline.h"

#include <QEvent>
#include <QFocusEvent>
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

namespace {

// Puts the cursor back at the end of a text shown from its start as the keys come to the field,
// as Qt leaves it after a text is set: what is typed then adds to the text. A click places it.
class EndOnFocus : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* field = static_cast<QLineEdit*>(watched);
        if (event->type() == QEvent::FocusIn && static_cast<QFocusEvent*>(event)->reason() != Qt::MouseFocusReason
            && !field->isModified() && !field->hasSelectedText())
            field->end(false);
        return false;
    }
};

} // namespace

void showStartWhileIdle(QLineEdit* field)
{
    static const char* const kShowsStart = "kvShowsStart";
    if (!field || field->property(kShowsStart).toBool())
        return;
    field->setProperty(kShowsStart, true);
    field->installEventFilter(new EndOnFocus(field));
    // The keys are there when the field (or what it stands for, a combo box) has them, or had them
    // last in its window while a popup of its own (a completion list) is open.
    const auto idle = [field] {
        QWidget* self = field;
        while (self->focusProxy())
            self = self->focusProxy();
        return !self->hasFocus() && self->window()->focusWidget() != self;
    };
    // A text set by the program leaves the field unmodified; typing marks it.
    QObject::connect(field, &QLineEdit::textChanged, field, [field, idle] {
        if (idle() && !field->isModified())
            field->setCursorPosition(0);
    });
    if (idle() && !field->isModified())
        field->setCursorPosition(0);
}

} // namespace kv::forms
