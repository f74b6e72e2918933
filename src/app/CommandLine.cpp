#include "app/CommandLine.h"

#include "update/Version.h"

#include <QByteArray>

#include <cstdio>

std::optional<int> runInformationOption(int argc, char *argv[])
{
    bool help = false;
    bool version = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        help = help || argument == "--help" || argument == "-h";
        version = version || argument == "--version";
    }
    if (help) {
        std::fputs("Usage: nudgewick [--help | --version | ARGUMENT]\n"
                   "A task list that reminds you when a task's alarm comes due.\n"
                   "\n"
                   "  --help     show this text and end\n"
                   "  --version  show the version and end\n"
                   "  ARGUMENT   any other argument (start at login passes \"Startup\")\n"
                   "             starts Nudgewick hidden in the notification area\n"
                   "\n"
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
