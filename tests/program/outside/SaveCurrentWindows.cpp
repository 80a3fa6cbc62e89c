// Saves the windows open now on the desktop of DISPLAY as a layout of the given name, through the
// program's own wiring, capture and store, as Save in the panel does; the new layout becomes the
// selected one. The outside tests use it to have a layout in the store before `ostrel` starts
// (it must not run meanwhile: the two would share the store). Prints nothing on success; exits 1
// with the reason otherwise.
//
//   ostrel_save_current_windows NAME

#include "app/AppModel.h"
#include "app/CaptureCoordinator.h"
#include "program/X11Program.h"

#include <QApplication>
#include <QCoro/QCoroTask>

#include <cstdio>
#include <optional>

namespace {

QCoro::Task<std::optional<ostrel::Refusal>> save(ostrel::AppModel &model, QString name)
{
    QCoro::Task<bool> capturing = model.coordinators().capture.beginSave();
    if (!co_await capturing) {
        co_return QStringLiteral("nothing was captured");
    }
    QCoro::Task<std::optional<ostrel::Refusal>> saving =
        model.coordinators().capture.savePendingLayout(name, false);
    co_return co_await saving;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: ostrel_save_current_windows NAME\n", stderr);
        return 2;
    }
    QApplication application(argc, argv);
    ostrel::X11Program program(ostrel::X11Program::Setup::desktop());
    ostrel::AppModel &model = program.model();
    while (model.storageStatus().isBootstrapping) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    std::optional<QString> problem;
    if (model.storageStatus().storageProblem) {
        problem = model.storageStatus().storageProblem->message;
    } else {
        problem = ostrel::textOf(QCoro::waitFor(save(model, QString::fromLocal8Bit(argv[1]))));
    }
    if (!problem && model.windowRequests().activeError) {
        problem = model.windowRequests().activeError->message;
    }
    program.shutDown();
    if (problem) {
        std::fprintf(stderr, "ostrel_save_current_windows: %s\n", qPrintable(*problem));
        return 1;
    }
    return 0;
}
