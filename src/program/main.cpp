// The `ostrel` executable: one running program per user, on the user's X11 desktop. It takes two
// options, --version and --help.

#include "model/Preferences.h"
#include "model/StorePaths.h"
#include "program/ApplicationIcon.h"
#include "program/CommandLine.h"
#include "program/PlatformChoice.h"
#include "program/Program.h"
#include "program/ProgramLog.h"
#include "program/SingleInstance.h"
#include "storage/FileSystem.h"
#include "ui/panel/UiStyle.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStringList>

#include <chrono>
#include <cstdio>

int main(int argc, char **argv)
{
    using namespace ostrel;

    // Answered before anything else: asking for the version touches no store, display or
    // running instance.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    const CommandLine commandLine = CommandLine::parse(arguments);
    if (commandLine.action != CommandLine::Action::run) {
        std::fputs(commandLine.text.toLocal8Bit().constData(),
                   commandLine.printsToStandardError() ? stderr : stdout);
        return commandLine.exitStatus();
    }

    // Before anything else that starts the program: a later start only asks the running program
    // to show its panel. It opens no store and grabs no keys. The lock lives beside the store,
    // so that one store never has two programs, whatever the runtime folder of each start.
    const SingleInstance::RuntimeFolder runtime = SingleInstance::defaultFolder();
    if (!runtime.problem.isEmpty()) {
        qCWarning(programLog).noquote() << runtime.problem;
    }
    const QString storeFolder = StorePaths::defaultPaths().directory;
    // A folder that cannot be made leaves the lock to the runtime folder; opening the store
    // then says what is wrong with it.
    FileSystem::system()->makeDirectories(storeFolder);
    QStringList lockFolders{storeFolder};
    if (!runtime.path.isEmpty()) {
        lockFolders.append(runtime.path);
    }
    SingleInstance instance(lockFolders, runtime.path);
    switch (instance.lockState()) {
    case SingleInstance::LockState::held:
        break;
    case SingleInstance::LockState::heldByAnother: {
        QCoreApplication application(argc, argv);
        if (!instance.askToShowPanel(std::chrono::seconds(10))) {
            std::fputs("Ostrel is running already, but it did not answer.\n", stderr);
        }
        return 0;
    }
    case SingleInstance::LockState::unusable:
        // Whether another program runs cannot be told: starting a second one could corrupt
        // what the first is writing, and saying that one runs would be a guess.
        std::fprintf(stderr, "%s\n", instance.lockProblem().toLocal8Bit().constData());
        return 1;
    }

    if (!choosePlatform()) {
        std::fputs("Ostrel needs a desktop to show its panel on, and no display could be opened.\n",
                   stderr);
        return 1;
    }
    if (const std::optional<QString> problem = Preferences::settingsFileProblem()) {
        std::fprintf(stderr, "%s\n", problem->toLocal8Bit().constData());
    }
    QApplication application(argc, argv);
    UiStyle::install(application);
    // Every window, the About page and the taskbar entry show it; the desktop entry's name ties
    // the windows to the installed menu entry.
    QApplication::setWindowIcon(ApplicationIcon::icon());
    QGuiApplication::setDesktopFileName(QStringLiteral("ostrel"));
    // The program lives in the tray: closing its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    Program program(X11Program::Setup::desktop(), Program::defaultMode(), &instance);
    const int status = QApplication::exec();
    program.shutDown();
    return status;
}
