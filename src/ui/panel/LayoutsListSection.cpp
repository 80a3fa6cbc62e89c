#include "ui/panel/LayoutsListSection.h"

#include "ui/panel/ActivityIndicator.h"
#include "ui/panel/LayoutHover.h"
#include "ui/panel/LayoutRow.h"
#include "ui/panel/LazyRows.h"
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

#include <algorithm>

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

void LayoutsListSection::setState(const PanelState &state)
{
    count_->setText(QString::number(state.saved.layouts.size()));
    capturing_->setVisible(state.isBusyWith(OperationKind::capturing));
    save_->setEnabled(state.canCapture);
    save_->setToolTip(PanelTexts::captureHelp(state));

    selectedLayoutID_ = state.settings.selectedLayoutID;
    pendingMutations_ = state.saved.pendingMutations;
    if (shownLayouts_ != state.saved.layouts) {
        shownLayouts_ = state.saved.layouts;
        rebuildRows(state.saved.layouts);
    }
    for (const auto &[index, shown] : rows_->rows()) {
        auto *row = static_cast<LayoutRow *>(shown);
        row->setSelected(state.settings.selectedLayoutID == row->layout().id);
        row->setDeleting(state.isDeleting(row->layout().id));
    }
}

LayoutRow *LayoutsListSection::makeRow(int index)
{
    const Layout &layout = (*shownLayouts_)[index];
    auto *row = new LayoutRow(layout, *hover_, *actions_, environment_);
    row->setSelected(selectedLayoutID_ == layout.id);
    row->setDeleting(pendingMutations_.contains(MutationScope::deleteLayout(layout.id)));
    return row;
}

void LayoutsListSection::rebuildRows(const QList<Layout> &layouts)
{
    delete rowsHost_;
    rows_ = nullptr;

    const bool scrolls = layouts.size() >= scrollThreshold;
    LazyRows::Source source;
    source.make = [this](int index) { return makeRow(index); };
    // A badge is no taller than the two lines of text, but a row is measured with one all the
    // same.
    source.kind = [this](int index) { return (*shownLayouts_)[index].shortcut ? 1 : 0; };
    // Its menu is the row's child: the row stays while the menu is open.
    source.keep = [](QWidget *row) { return static_cast<LayoutRow *>(row)->isMenuOpen(); };
    // Rows touch inside the scroll area.
    rows_ = new LazyRows(std::move(source), int(layouts.size()), scrolls ? 0 : 5);
    rows_->setObjectName(QStringLiteral("layout-rows"));

    if (!scrolls) {
        rowsHost_ = rows_;
    } else {
        auto *scroll = new QScrollArea;
        scroll->setObjectName(QStringLiteral("layout-list"));
        scroll->setWidgetResizable(true);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        scroll->setFixedHeight(scrollHeight);
        scroll->setWidget(rows_);
        overlayScrolling(scroll);
        rowsHost_ = scroll;
    }
    layout_->addWidget(rowsHost_);
    rows_->fill();
    // A row under the pointer that is gone now cannot leave again.
    if (const std::optional<QUuid> hovered = hover_->hoveredLayoutID(); hovered
        && std::none_of(layouts.begin(), layouts.end(),
                        [&](const Layout &layout) { return layout.id == *hovered; })) {
        hover_->clear();
    }
}

} // namespace ostrel
