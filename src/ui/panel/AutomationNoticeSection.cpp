#include "ui/panel/AutomationNoticeSection.h"

#include "app/SessionUpkeep.h"
#include "ui/panel/DismissButton.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/SectionLabel.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/TrayContentPadding.h"
#include "ui/panel/ViewEnvironment.h"

#include <QHBoxLayout>

namespace ostrel {

AutomationNoticeSection::AutomationNoticeSection(const ViewEnvironment &environment,
                                                 QWidget *parent)
    : QWidget(parent)
    , session_(environment.session)
    , message_(sectionLabel({}, 11.5, QFont::Normal, ThemeColor::secondary(), Wrapping::wraps))
    , dismiss_(new DismissButton(QStringLiteral("Dismiss automation notice")))
{
    setObjectName(QStringLiteral("automation-notice"));
    dismiss_->setObjectName(QStringLiteral("automation-notice-dismiss"));
    auto *layout = new QHBoxLayout(this);
    trayContentPadding(layout, 8);
    layout->setSpacing(6);
    layout->addWidget(
        new SymbolView(QStringLiteral("bolt"), 12, QFont::Normal, ThemeColor::secondary()), 0,
        Qt::AlignTop);
    layout->addWidget(message_, 1);
    layout->addSpacing(3);
    layout->addWidget(dismiss_, 0, Qt::AlignTop);

    connect(dismiss_, &QAbstractButton::clicked, this, [this] {
        if (session_) {
            session_->dismissAutomationNotice();
        }
    });
}

void AutomationNoticeSection::setNotice(const QString &notice)
{
    if (message_->text() != notice) {
        message_->setText(notice);
    }
}

} // namespace ostrel
