#pragma once

#include <QStringView>

struct sqlite3;

// Text comparison as users expect it: letter case is ignored for every
// letter, not only for ASCII. The result set's own sorting and the engine's
// ordering both use it, so the two always agree.

// Compares case-folded; texts that differ only in case are ordered by their
// code units, so distinct texts never compare equal.
int compareTextNoCase(QStringView a, QStringView b);
// The same comparison of two UTF-8 texts, as the engine's collation makes it.
int compareUtf8NoCase(const char *a, int na, const char *b, int nb);

// The SQL "like" test: "%" matches any run of characters, "_" one
// character, and the escape character (when not null) makes the character
// after it literal. Letter case is ignored for every letter.
bool likeMatch(QStringView text, QStringView pattern, QChar escape = QChar());

// The name of the collation that compareTextNoCase provides to the engine.
inline constexpr char TextCollation[] = "TEXT_NOCASE";

// Gives a connection the collation above and its own "like" function (with
// two and with three arguments), replacing the engine's ASCII-only one.
void registerTextFunctions(sqlite3 *db);
