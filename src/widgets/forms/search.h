#pragma once

// Folded word search of the list screens.
//
// A query is trimmed; blank means "no query". Otherwise it is split at blanks and line ends and
// every word is folded (case and accents ignored). A record matches when one of its fields,
// folded the same way, contains every word.

#include <QString>
#include <QStringList>

namespace kv::forms {

// The text without accents, in lower case, as the current locale writes it.
QString fold(const QString& text);

// The folded words of a query; empty for a blank query.
QStringList searchWords(const QString& query);

// True when one of the fields contains every word (true for no words).
bool oneFieldHoldsAllWords(const QStringList& fields, const QStringList& foldedWords);

} // namespace kv::forms
