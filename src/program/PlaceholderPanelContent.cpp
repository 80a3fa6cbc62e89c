#include "program/PlaceholderPanelContent.h"

#include <QCoreApplication>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ostrel {

PlaceholderPanelContent::PlaceholderPanelContent(std::function<void()> openSettings, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ostrel-panel"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(6);

    auto *title = new QLabel(QStringLiteral("Ostrel"), this);
    title->setTextFormat(Qt::PlainText);
    layout->addWidget(title);

    auto *settings = new QPushButton(QStringLiteral("Settings…"), this);
    settings->setAccessibleName(QStringLiteral("Settings…"));
    settings->setToolTip(QStringLiteral("Open Ostrel settings"));
    settings->setShortcut(QKeySequence(Qt::META | Qt::Key_Comma));
    connect(settings, &QPushButton::clicked, this, [openSettings = std::move(openSettings)] {
        if (openSettings) {
            openSettings();
        }
    });
    layout->addWidget(settings);

    auto *quit = new QPushButton(QStringLiteral("Quit Ostrel"), this);
    quit->setObjectName(QStringLiteral("quit-button"));
    quit->setAccessibleName(QStringLiteral("Quit Ostrel"));
    quit->setToolTip(QStringLiteral("Quit Ostrel"));
    quit->setShortcut(QKeySequence(Qt::META | Qt::Key_Q));
    // The program turns the application's quit into its own orderly one.
    connect(quit, &QPushButton::clicked, this, [] { QCoreApplication::quit(); });
    layout->addWidget(quit);
}

} // namespace ostrel
