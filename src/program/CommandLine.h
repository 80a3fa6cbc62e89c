#pragma once

#include <QString>
#include <QStringList>

namespace ostrel {

// What the `ostrel` executable was asked on its command line. It takes two options, --version and
// --help; both are answered before the program touches its store, the display or a running
// instance. Anything else is refused.
struct CommandLine {
    enum class Action { run, printVersion, printHelp, refuse };

    Action action = Action::run;
    QString text; // what to print: the version, the usage, or why the arguments were refused

    // `arguments` without the program's own name.
    static CommandLine parse(const QStringList &arguments);

    // Where the text goes and the status the process ends with; `run` prints nothing.
    bool printsToStandardError() const { return action == Action::refuse; }
    int exitStatus() const { return action == Action::refuse ? 2 : 0; }

    static QString versionText();
    static QString usageText();
};

} // namespace ostrel
