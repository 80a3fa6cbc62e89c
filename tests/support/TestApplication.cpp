#include "TestApplication.h"

#include <QCoreApplication>

#ifdef OSTREL_TEST_WIDGETS
#include <QApplication>
#endif

namespace ostrel::test {

void ensureApplication()
{
    if (QCoreApplication::instance()) {
        return;
    }
    static int argc = 1;
    static char name[] = "ostrel-tests";
    static char *argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own global state (the input-device list a key event
    // creates, for one) is gone before a static application object would be, and tearing the
    // application down then crashes. The pointer keeps it reachable, so it is no leak.
#ifdef OSTREL_TEST_WIDGETS
    static QApplication *app = new QApplication(argc, argv);
#else
    static QCoreApplication *app = new QCoreApplication(argc, argv);
#endif
    Q_UNUSED(app);
}

} // namespace ostrel::test
