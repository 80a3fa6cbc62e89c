#include "ui/panel/WindowKeys.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace ostrel::WindowKeys {

namespace {

void bindKey(QWidget *host, Qt::Key key, const std::function<void()> &action)
{
    auto *shortcut = new QShortcut(QKeySequence(key), host);
    QObject::connect(shortcut, &QShortcut::activated, host, action);
}

} // namespace

void onEscape(QWidget *host, std::function<void()> action)
{
    bindKey(host, Qt::Key_Escape, action);
}

void onReturn(QWidget *host, std::function<void()> action)
{
    bindKey(host, Qt::Key_Return, action);
    bindKey(host, Qt::Key_Enter, action);
}

} // namespace ostrel::WindowKeys
