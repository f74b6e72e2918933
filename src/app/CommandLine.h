#pragma once

#include <optional>

// --help and --version print their text to standard output; the program
// then ends with the returned exit code instead of starting. Any other
// argument leaves the start to the program (it starts hidden).
std::optional<int> runInformationOption(int argc, char *argv[]);
