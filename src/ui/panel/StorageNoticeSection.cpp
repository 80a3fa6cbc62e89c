#include "ui/panel/StorageNoticeSection.h"

#include "app/StorageUpkeep.h"
#include "ui/panel/DetailsDisclosure.h"
#include "ui/panel/DismissButton.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/SectionLabel.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/TrayContentPadding.h"
#include "ui/panel/ViewEnvironment.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace ostrel {

StorageNoticeSection::StorageNoticeSection(const ViewEnvironment &environment, QWidget *parent)
    : QWidget(parent)
    , storage_(environment.storage)
    , title_(sectionLabel({}, 12.5, QFont::DemiBold, std::nullopt, Wrapping::wraps))
    , message_(sectionLabel({}, 11.5, QFont::Normal, ThemeColor::secondary(), Wrapping::wraps))
    , details_(new DetailsDisclosure)
    , dismiss_(new DismissButton(QStringLiteral("Dismiss storage notice")))
{
    setObjectName(QStringLiteral("storage-notice"));
    details_->setObjectName(QStringLiteral("storage-notice-details"));
    dismiss_->setObjectName(QStringLiteral("storage-notice-dismiss"));
    auto *layout = new QHBoxLayout(this);
    trayContentPadding(layout, 8);
    layout->setSpacing(7);
    layout->addWidget(new SymbolView(QStringLiteral("checkmark.shield"), 13, QFont::Normal,
                                     ThemeColor::success()),
                      0, Qt::AlignTop);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(title_);
    texts->addWidget(message_);
    texts->addWidget(details_);
    layout->addLayout(texts, 1);
    layout->addSpacing(3);
    layout->addWidget(dismiss_, 0, Qt::AlignTop);

    connect(dismiss_, &QAbstractButton::clicked, this, [this] {
        if (storage_) {
            storage_->dismissStorageNotice();
        }
    });
}

void StorageNoticeSection::setNotice(const StorageNotice &notice)
{
    if (shown_ == notice) {
        return;
    }
    shown_ = notice;
    title_->setText(notice.title);
    message_->setText(notice.message);
    details_->clearLines();
    details_->setExpanded(false);
    details_->setVisible(notice.details.has_value());
    if (notice.details) {
        details_->addLine(*notice.details);
    }
}

void StorageNoticeSection::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    details_->setExpanded(false);
}

} // namespace ostrel
