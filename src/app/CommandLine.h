#pragma once

#include <optional>

// --help and --version print their text to standard output; an option the
// program and Qt do not know prints a one-line error and the usage to
// standard error. In those cases the program then ends with the returned
// exit code (0, or 2 for the unknown option) instead of starting. Any other
// argument leaves the start to the program (a plain word such as "Startup"
// starts it hidden; Qt's own options such as -style pass on to Qt).
std::optional<int> runInformationOption(int argc, char *argv[]);
