#pragma once

#include <QObject>
#include <QString>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace ostrel::test {

// The one way a test reaches into a view: the child of type `T` that the view named `name`
// (with setObjectName), searched at any depth. A child that is not there fails the test and
// ends it at once, so that no test goes on to dereference nothing. For test bodies only: the
// throw must not cross Qt's event dispatch.
template <class T>
T *child(const QObject *view, const char *name)
{
    T *found = view ? view->findChild<T *>(QString::fromLatin1(name)) : nullptr;
    if (!found) {
        const std::string message = std::string("no child named \"") + name + "\" of that type in "
            + (view ? view->objectName().toStdString() : std::string("a missing view"));
        ADD_FAILURE() << message;
        throw std::runtime_error(message);
    }
    return found;
}

} // namespace ostrel::test
