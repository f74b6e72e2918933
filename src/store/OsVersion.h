#pragma once

#include <QString>

// A text naming the operating system: its name, " Version ", the major and
// minor version, then on a second line " (Build ", the full version, ": ",
// the kind of system and ")". For example
//     Debian GNU/Linux 12 (bookworm) Version 6.1
//      (Build 6.1.0-18-amd64: linux)
// Empty when the system does not tell its version. Code that treats one
// family of systems apart tests the text's beginning.
QString OsVersionText();
