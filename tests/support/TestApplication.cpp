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
#ifdef OSTREL_TEST_WIDGETS
    static QApplication app(argc, argv);
#else
    static QCoreApplication app(argc, argv);
#endif
}

} // namespace ostrel::test
