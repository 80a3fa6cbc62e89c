#include "ui/panel/PermissionBanner.h"

#include "app/AppModel.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/SectionLabel.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/TrayContentPadding.h"
#include "ui/panel/ViewEnvironment.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace ostrel {

PermissionBanner::PermissionBanner(const ViewEnvironment &environment, QWidget *parent)
    : QWidget(parent)
    , model_(environment.model)
    , recheck_(new PanelButton(QStringLiteral("Recheck"), PanelButton::Look::bordered,
                               PanelButton::ControlSize::small))
{
    setObjectName(QStringLiteral("permission-banner"));
    recheck_->setObjectName(QStringLiteral("recheck-button"));
    auto *layout = new QVBoxLayout(this);
    trayContentPadding(layout, 9);
    layout->setSpacing(7);

    auto *heading = new QHBoxLayout;
    heading->setSpacing(7);
    heading->addWidget(new SymbolView(QStringLiteral("exclamationmark.shield.fill"), 17,
                                      QFont::Normal, ThemeColor::warning()),
                       0, Qt::AlignTop);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(sectionLabel(QStringLiteral("Accessibility Access Needed"), 12.5,
                                  QFont::DemiBold, std::nullopt, Wrapping::wraps));
    texts->addWidget(
        sectionLabel(QStringLiteral("Run a window manager that supports EWMH, then Recheck."), 11.5,
                     QFont::Normal, ThemeColor::secondary(), Wrapping::wraps));
    heading->addLayout(texts, 1);
    layout->addLayout(heading);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(7);
    buttons->addWidget(recheck_);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    // Each press starts its own check; the banner follows whatever trust the model publishes.
    connect(recheck_, &QAbstractButton::clicked, this, [this] {
        if (model_) {
            model_->refreshPermission(false);
        }
    });
}

} // namespace ostrel
