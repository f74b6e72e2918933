#pragma once

#include <QString>

// The program's own version as four numbers joined by "." (major, minor,
// release, build), from the project version compiled in.
QString OwnVersion();

// Compares two versions number by number ("3.10" is newer than "3.9");
// missing numbers count as 0. Negative, zero or positive like strcmp.
// A text that is not a version (empty, or a part that is not a number)
// sorts before every real version.
int compareVersions(const QString &a, const QString &b);
