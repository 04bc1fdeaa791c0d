#include "search.h"

#include <QLocale>

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
    // Words are separated by any blank or line end (no-break spaces included), the same
    // characters that trimmed() removes.
    QStringList words;
    QString word;
    for (const QChar c : query) {
        if (c.isSpace()) {
            if (!word.isEmpty())
                words.append(fold(word));
            word.clear();
        } else {
            word.append(c);
        }
    }
    if (!word.isEmpty())
        words.append(fold(word));
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
