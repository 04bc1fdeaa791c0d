#pragma once

// Folded word search of the list screens.
//
// A query is trimmed; blank means "no query". Otherwise it is split at blanks and line ends and
// every word is folded (case and accents ignored). A record matches when one of its fields,
// folded the same way, contains every word. Digits match whatever spaces, dots or dashes stand
// between them, in the field or in the word: « 04785350 » finds « 04 78 53 50 », and
// « 04.78 » finds it too.

#include <QString>
#include <QStringList>

namespace kv::forms {

// The text without accents, in lower case, as the current locale writes it.
QString fold(const QString& text);

// The folded words of a query; empty for a blank query. Groups of digits with only blanks, dots
// or dashes between them make one word.
QStringList searchWords(const QString& query);

// The text with the spaces, dots and dashes that stand between two digits taken out.
QString joinDigits(const QString& text);

// What a search looks into for a field: its folded text, followed (after a line end, which no
// word holds) by the same with its digits joined when that differs.
QString searchable(const QString& field);

// True when a searchable text (above) holds a folded word, its digits joined or not.
bool holdsWord(const QString& searchableText, const QString& foldedWord);

// True when a searchable text holds every word (true for no words).
bool holdsAllWords(const QString& searchableText, const QStringList& foldedWords);

// True when one of the fields contains every word (true for no words).
bool oneFieldHoldsAllWords(const QStringList& fields, const QStringList& foldedWords);

} // namespace kv::forms
