#include "ui/panel/PanelFooter.h"

#include "ui/panel/PanelActionRow.h"
#include "ui/panel/ViewEnvironment.h"

#include <QVBoxLayout>

namespace ostrel {

PanelFooter::PanelFooter(const ViewEnvironment &environment, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("panel-footer"));
    // The program's own actions: opening settings brings them to the front, quitting is the
    // program's orderly quit. Copies, so the rows do not depend on the environment's lifetime.
    const std::function<void()> openSettings = environment.openSettings;
    const std::function<void()> quit = environment.quit;
    settings_ = new PanelActionRow(QStringLiteral("Settings…"), QStringLiteral("gearshape"),
                                   QStringLiteral("Ctrl+,"), Qt::Key_Comma, [openSettings] {
                                       if (openSettings) {
                                           openSettings();
                                       }
                                   });
    settings_->setObjectName(QStringLiteral("settings-button"));
    settings_->setToolTip(QStringLiteral("Open Ostrel settings"));
    quit_ = new PanelActionRow(QStringLiteral("Quit Ostrel"), QStringLiteral("power"),
                               QStringLiteral("Ctrl+Q"), Qt::Key_Q, [quit] {
                                   if (quit) {
                                       quit();
                                   }
                               });
    quit_->setObjectName(QStringLiteral("quit-button"));
    quit_->setToolTip(QStringLiteral("Quit Ostrel"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(settings_);
    layout->addWidget(quit_);
}

} // namespace ostrel
