#include "program/CommandLine.h"

namespace ostrel {

namespace {

const QString versionOption = QStringLiteral("--version");
const QString helpOption = QStringLiteral("--help");

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    // Every argument is checked first, so `ostrel --version --bogus` is refused rather than half
    // obeyed. Qt's own options (-display, -platform, …) are refused too: the environment
    // (DISPLAY, QT_QPA_PLATFORM) does that job.
    bool help = false;
    bool version = false;
    for (const QString &argument : arguments) {
        if (argument == helpOption) {
            help = true;
        } else if (argument == versionOption) {
            version = true;
        } else {
            const QString what = argument.startsWith(QLatin1Char('-'))
                ? QStringLiteral("unknown option")
                : QStringLiteral("unexpected argument");
            return {Action::refuse,
                    QStringLiteral("ostrel: ") + what + QStringLiteral(" “") + argument
                        + QStringLiteral("”\nUsage: ostrel [--version | --help]\n")};
        }
    }
    if (help) {
        return {Action::printHelp, usageText()};
    }
    if (version) {
        return {Action::printVersion, versionText()};
    }
    return {};
}

QString CommandLine::versionText()
{
    return QStringLiteral("Ostrel " OSTREL_VERSION "\n");
}

QString CommandLine::usageText()
{
    return QStringLiteral(
        "Usage: ostrel [--version | --help]\n"
        "\n"
        "Ostrel saves the arrangement of your windows on an X11 desktop as named layouts and\n"
        "brings it back. Started without options it runs in the tray, or as an ordinary window\n"
        "where the desktop hosts no tray; started while it runs, it shows the running program's\n"
        "panel.\n"
        "\n"
        "  --version  print the version and exit\n"
        "  --help     print this help and exit\n"
        "\n"
        "It logs nothing unless asked: QT_LOGGING_RULES=\"ostrel.*.debug=true\" ostrel\n");
}

} // namespace ostrel
