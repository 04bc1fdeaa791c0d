#include "search.h"

#include <QLocale>

#include <algorithm>

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
    // Digits typed in groups are one number, in the order typed: « 04 78 15 16 » is the word
    // « 04781516 », never four words that could each match anywhere.
    QStringList words;
    QString word;
    for (const QChar c : joinDigits(query)) {
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

QString joinDigits(const QString& text)
{
    const auto separateur = [](QChar c) {
        return c.isSpace() || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QChar(0x2010)
            || c == QChar(0x2011) || c == QChar(0x2013);
    };
    QString out;
    bool change = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (separateur(c) && !out.isEmpty() && out.back().isDigit()) {
            // A run of separators between two digits goes.
            qsizetype j = i;
            while (j < text.size() && separateur(text.at(j)))
                ++j;
            if (j < text.size() && text.at(j).isDigit()) {
                i = j - 1;
                change = true;
                continue;
            }
        }
        out.append(c);
    }
    return change ? out : text;
}

QString searchable(const QString& field)
{
    const QString folded = fold(field);
    const QString joined = joinDigits(folded);
    return joined == folded ? folded : folded + QLatin1Char('\n') + joined;
}

bool holdsWord(const QString& searchableText, const QString& foldedWord)
{
    if (searchableText.contains(foldedWord))
        return true;
    const QString joined = joinDigits(foldedWord);
    return joined != foldedWord && searchableText.contains(joined);
}

bool holdsAllWords(const QString& searchableText, const QStringList& foldedWords)
{
    return std::all_of(foldedWords.cbegin(), foldedWords.cend(),
                       [&](const QString& w) { return holdsWord(searchableText, w); });
}

bool oneFieldHoldsAllWords(const QStringList& fields, const QStringList& foldedWords)
{
    if (foldedWords.isEmpty())
        return true;
    for (const QString& field : fields)
        if (holdsAllWords(searchable(field), foldedWords))
            return true;
    return false;
}

} // namespace kv::forms
