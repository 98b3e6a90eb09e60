#pragma once

#include <QString>

struct sqlite3;

// Text comparisons shared by SQL and memory, so that a predicate gives the
// same answer in both places. SQLite's own NOCASE and LIKE fold ASCII only;
// these fold all of Unicode ("Ä" and "ä", full-width Latin letters).
namespace StoreText {

QString fold(const QString &text);
bool contains(const QString &text, const QString &part, bool caseInsensitive);
bool beginsWith(const QString &text, const QString &prefix, bool caseInsensitive);
bool endsWith(const QString &text, const QString &suffix, bool caseInsensitive);
// `*` matches any run of characters, `?` one character.
bool like(const QString &text, const QString &pattern, bool caseInsensitive);

} // namespace StoreText

// rk_fold(text), and rk_contains / rk_beginswith / rk_endswith / rk_like
// (text, argument, caseInsensitive) on a connection.
void registerStoreFunctions(sqlite3 *db);
