#include "app/CommandLine.h"

#include "update/Version.h"

#include <QByteArray>

#include <array>
#include <cstdio>
#include <string_view>

namespace {
const char Usage[] = "Usage: nudgewick [--help | --version | ARGUMENT]\n";

// Options Qt takes out of the command line itself (as -name or --name, the
// valued ones also as -name=value); they are not the program's to refuse.
constexpr std::array<std::string_view, 14> QtValuedOptions = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowtitle",
    "qwindowicon", "display", "geometry", "name", "title", "session", "style", "stylesheet"};
constexpr std::array<std::string_view, 7> QtFlagOptions = {"reverse", "widgetcount", "nograb", "dograb",
                                                           "sync", "testability", "qmljsdebugger"};

bool contains(const auto &list, std::string_view name)
{
    for (std::string_view item : list)
        if (item == name)
            return true;
    return false;
}

// Whether argument is one of Qt's options; a valued option written apart
// from its value takes the next argument with it (skip is set to 1).
bool isQtOption(std::string_view argument, int &skip)
{
    skip = 0;
    std::string_view name = argument.substr(argument.starts_with("--") ? 2 : 1);
    const auto equals = name.find('=');
    if (equals != std::string_view::npos) {
        name = name.substr(0, equals);
        return contains(QtValuedOptions, name) || name == "qmljsdebugger";
    }
    if (contains(QtValuedOptions, name)) {
        skip = 1;
        return true;
    }
    return contains(QtFlagOptions, name);
}
}

std::optional<int> runInformationOption(int argc, char *argv[])
{
    bool help = false;
    bool version = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--help" || argument == "-h") {
            help = true;
        } else if (argument == "--version") {
            version = true;
        } else if (argument.size() > 1 && argument.starts_with('-')) {
            int skip = 0;
            if (!isQtOption(argument, skip)) {
                std::fprintf(stderr, "nudgewick: unknown option \"%s\"\n%sTry \"nudgewick --help\" for more.\n",
                             argv[i], Usage);
                return 2;
            }
            i += skip;
        }
    }
    if (help) {
        std::fputs(Usage, stdout);
        std::fputs("A task list that reminds you when a task's alarm comes due.\n"
                   "\n"
                   "  --help     show this text and end\n"
                   "  --version  show the version and end\n"
                   "  ARGUMENT   any other argument (start at login passes \"Startup\")\n"
                   "             starts Nudgewick hidden in the notification area\n"
                   "\n"
                   "Qt's own options (-style NAME, -platform NAME, -reverse...) are taken as well.\n"
                   "Only one copy runs at a time; starting another brings the running one forward.\n"
                   "The data folder is $NUDGEWICK_DIR, else ~/.local/share/Nudgewick.\n",
                   stdout);
        return 0;
    }
    if (version) {
        std::printf("Nudgewick %s\n", OwnVersion().toUtf8().constData());
        return 0;
    }
    return std::nullopt;
}
