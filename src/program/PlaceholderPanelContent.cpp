#include "program/PlaceholderPanelContent.h"

#include "ui/panel/PanelActionRow.h"

#include <QVBoxLayout>

namespace ostrel {

PlaceholderPanelContent::PlaceholderPanelContent(const ViewEnvironment &environment, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ostrel-panel"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->setSpacing(0);

    auto *settings = new PanelActionRow(QStringLiteral("Settings…"), QStringLiteral("gearshape"),
                                        QStringLiteral("⌘,"), Qt::Key_Comma, environment.openSettings, this);
    settings->setObjectName(QStringLiteral("settings-button"));
    settings->setToolTip(QStringLiteral("Open Ostrel settings"));
    layout->addWidget(settings);

    auto *quit = new PanelActionRow(QStringLiteral("Quit Ostrel"), QStringLiteral("power"),
                                    QStringLiteral("⌘Q"), Qt::Key_Q, environment.quit, this);
    quit->setObjectName(QStringLiteral("quit-button"));
    quit->setToolTip(QStringLiteral("Quit Ostrel"));
    layout->addWidget(quit);
}

} // namespace ostrel
