#include "search.h"

#include <QLocale>
#include <QRegularExpression>

namespace kv::forms {

QString fold(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const QChar::Category cat = c.category();
        if (cat == QChar::Mark_NonSpacing || cat == QChar::Mark_SpacingCombining
            || cat == QChar::Mark_Enclosing)
            continue;
        out.append(c);
    }
    return QLocale().toLower(out).toCaseFolded();
}

QStringList searchWords(const QString& query)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QString trimmed = query.trimmed();
    if (trimmed.isEmpty())
        return {};
    QStringList words = trimmed.split(blanks, Qt::SkipEmptyParts);
    for (QString& w : words)
        w = fold(w);
    words.removeAll(QString());
    return words;
}

bool oneFieldHoldsAllWords(const QStringList& fields, const QStringList& foldedWords)
{
    if (foldedWords.isEmpty())
        return true;
    for (const QString& field : fields) {
        const QString folded = fold(field);
        bool all = true;
        for (const QString& w : foldedWords) {
            if (!folded.contains(w)) {
                all = false;
                break;
            }
        }
        if (all)
            return true;
    }
    return false;
}

} // namespace kv::forms
