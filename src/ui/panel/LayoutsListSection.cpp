#include "ui/panel/LayoutsListSection.h"

#include "ui/panel/ActivityIndicator.h"
#include "ui/panel/LayoutHover.h"
#include "ui/panel/LayoutRow.h"
#include "ui/panel/OverlayScrolling.h"
#include "ui/panel/PanelActions.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/PanelState.h"
#include "ui/panel/PanelTexts.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/SectionLabel.h"
#include "ui/panel/TrayContentPadding.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

namespace ostrel {

LayoutsListSection::LayoutsListSection(const ViewEnvironment &environment, PanelActions &actions,
                                       QWidget *parent)
    : QWidget(parent)
    , environment_(environment)
    , actions_(&actions)
    , hover_(new LayoutHover(this))
    , layout_(new QVBoxLayout(this))
    , count_(sectionLabel({}, 11.5, QFont::Normal, ThemeColor::secondary()))
    , save_(new PanelButton(QStringLiteral("Save"), PanelButton::Look::borderless,
                            PanelButton::ControlSize::small))
    , capturing_(
          new ActivityIndicator(ActivityIndicator::miniSize, ThemeColor::secondary(), environment))
{
    setObjectName(QStringLiteral("layouts-section"));
    hover_->setObjectName(QStringLiteral("layout-hover"));
    count_->setObjectName(QStringLiteral("layout-count"));
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(5);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(trayContentPadding(2));
    header->setSpacing(6);
    header->addWidget(
        sectionLabel(QStringLiteral("Layouts"), 11, QFont::Medium, ThemeColor::secondary()));
    header->addWidget(count_);
    header->addStretch(1);
    save_->setObjectName(QStringLiteral("save-layout-button"));
    save_->setSymbol(QStringLiteral("plus"), 11, QFont::DemiBold);
    save_->setSpacing(4);
    save_->setLeadingWidget(capturing_);
    capturing_->hide();
    header->addWidget(save_);
    layout_->addLayout(header);

    connect(save_, &QAbstractButton::clicked, this, [this] {
        if (actions_) {
            actions_->saveCurrentLayout();
        }
    });
}

LayoutRow *LayoutsListSection::row(const QUuid &id) const
{
    for (LayoutRow *row : rows_) {
        if (row->layout().id == id) {
            return row;
        }
    }
    return nullptr;
}

void LayoutsListSection::setState(const PanelState &state)
{
    count_->setText(QString::number(state.saved.layouts.size()));
    capturing_->setVisible(state.isBusyWith(OperationKind::capturing));
    save_->setEnabled(state.canCapture);
    save_->setToolTip(PanelTexts::captureHelp(state));

    if (shownLayouts_ != state.saved.layouts) {
        shownLayouts_ = state.saved.layouts;
        rebuildRows(state.saved.layouts);
    }
    for (LayoutRow *row : std::as_const(rows_)) {
        row->setSelected(state.settings.selectedLayoutID == row->layout().id);
        row->setDeleting(state.isDeleting(row->layout().id));
    }
}

void LayoutsListSection::rebuildRows(const QList<Layout> &layouts)
{
    rows_.clear();
    delete rowsHost_;
    scroll_ = nullptr;

    auto *list = new QWidget;
    list->setObjectName(QStringLiteral("layout-rows"));
    auto *rows = new QVBoxLayout(list);
    rows->setContentsMargins(0, 0, 0, 0);
    for (const Layout &layout : layouts) {
        auto *row = new LayoutRow(layout, *hover_, *actions_, environment_);
        rows_.append(row);
        rows->addWidget(row);
    }

    if (layouts.size() < scrollThreshold) {
        rows->setSpacing(5);
        rowsHost_ = list;
    } else {
        // Rows touch inside the scroll area.
        rows->setSpacing(0);
        rows->addStretch(1);
        scroll_ = new QScrollArea;
        scroll_->setObjectName(QStringLiteral("layout-list"));
        scroll_->setWidgetResizable(true);
        scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        scroll_->setFixedHeight(scrollHeight);
        scroll_->setWidget(list);
        overlayScrolling(scroll_);
        rowsHost_ = scroll_;
    }
    layout_->addWidget(rowsHost_);
    // A row under the pointer that is gone now cannot leave again.
    if (hover_->hoveredLayoutID() && !row(*hover_->hoveredLayoutID())) {
        hover_->clear();
    }
}

} // namespace ostrel
