#include "ui/panel/ResultSection.h"

#include "app/RestoreCoordinator.h"
#include "platform/AppIconView.h"
#include "system/ReduceMotion.h"
#include "ui/panel/HoverRowButton.h"
#include "ui/panel/LineLimitedLabel.h"
#include "ui/panel/OverlayScrolling.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/PanelTexts.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/ResultPresentation.h"
#include "ui/panel/SectionLabel.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/TrayContentPadding.h"
#include "ui/panel/UiFont.h"
#include "ui/panel/ViewEnvironment.h"

#include <QEasingCurve>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

namespace ostrel {

namespace {

ThemeColor toneColour(ResultPresentation::Tone tone)
{
    switch (tone) {
    case ResultPresentation::Tone::attention:
        return ThemeColor::warning();
    case ResultPresentation::Tone::success:
        return ThemeColor::success();
    case ResultPresentation::Tone::neutral:
        return ThemeColor::secondary();
    }
    return ThemeColor::secondary();
}

// A fixed square that holds a symbol or an icon at its leading edge.
QWidget *leadingFrame(QWidget *content, int side)
{
    auto *frame = new QWidget;
    frame->setFixedSize(side, side);
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto *layout = new QHBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content, 0, Qt::AlignLeft | Qt::AlignVCenter);
    return frame;
}

} // namespace

ResultSection::ResultSection(const ViewEnvironment &environment, QWidget *parent)
    : QWidget(parent)
    , restores_(environment.restores)
    , reduceMotion_(environment.reduceMotion)
    , icons_(environment.appIcons)
    , row_(new HoverRowButton(HoverRowButtonStyle{12, 4, 1}))
    , symbol_(new SymbolView(QStringLiteral("info.circle"), 22))
    , summary_(limitedLabel({}, 2, 13, QFont::Medium))
    , kindLine_(limitedLabel({}, 1, 11, QFont::Normal, ThemeColor::secondary()))
    , deferredReason_(limitedLabel({}, 2, 11, QFont::Normal, ThemeColor::secondary()))
    , chevron_(new SymbolView(QStringLiteral("chevron.down"), 12, QFont::DemiBold,
                              ThemeColor::secondary()))
    , actions_(new QWidget)
    , choose_(new PanelButton(QStringLiteral("Choose windows…"), PanelButton::Look::link,
                              PanelButton::ControlSize::small))
    , undo_(new PanelButton(QStringLiteral("Undo"), PanelButton::Look::link,
                            PanelButton::ControlSize::small))
    // Held to its line: beside "Choose windows…" and Undo it may have to give way.
    , undoText_(limitedLabel({}, 1, 11, QFont::Normal, ThemeColor::secondary()))
    , detailsClip_(new QWidget)
    , details_(new QScrollArea)
    , entries_(nullptr)
{
    setObjectName(QStringLiteral("result-section"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    // The row: symbol, texts, chevron; the whole row opens and closes the list.
    row_->setObjectName(QStringLiteral("result-row"));
    symbol_->setObjectName(QStringLiteral("result-symbol"));
    deferredReason_->setObjectName(QStringLiteral("deferred-reason"));
    chevron_->setObjectName(QStringLiteral("result-chevron"));
    // The summary may take two lines: the row's height follows its width.
    QSizePolicy rowPolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    rowPolicy.setHeightForWidth(true);
    row_->setSizePolicy(rowPolicy);
    auto *rowLayout = new QHBoxLayout(row_);
    trayContentPadding(rowLayout, 6);
    rowLayout->setSpacing(8);
    rowLayout->addWidget(leadingFrame(symbol_, 24));
    auto *texts = new QVBoxLayout;
    texts->setSpacing(1);
    for (QWidget *text : {static_cast<QWidget *>(summary_), static_cast<QWidget *>(kindLine_),
                          static_cast<QWidget *>(deferredReason_)}) {
        text->setAttribute(Qt::WA_TransparentForMouseEvents);
        texts->addWidget(text);
    }
    rowLayout->addLayout(texts, 1);
    rowLayout->addSpacing(3);
    rowLayout->addWidget(chevron_);
    layout->addWidget(row_);
    connect(row_, &QAbstractButton::clicked, this, &ResultSection::toggleExpanded);

    // The actions.
    actions_->setObjectName(QStringLiteral("result-actions"));
    auto *actionLayout = new QHBoxLayout(actions_);
    trayContentPadding(actionLayout, 2);
    actionLayout->setSpacing(10);
    choose_->setObjectName(QStringLiteral("choose-windows-button"));
    choose_->setTitleFont(UiFont::system(11.5));
    undo_->setObjectName(QStringLiteral("undo-button"));
    undo_->setTitleFont(UiFont::system(12));
    undo_->setSymbol(QStringLiteral("arrow.uturn.backward"), 12);
    undo_->setToolTip(QStringLiteral("Undo the last restore"));
    actionLayout->addWidget(choose_);
    actionLayout->addWidget(undo_);
    actionLayout->addStretch(1);
    actionLayout->addSpacing(4);
    undoText_->setObjectName(QStringLiteral("undo-summary"));
    actionLayout->addWidget(undoText_);
    layout->addWidget(actions_);
    connect(choose_, &QAbstractButton::clicked, this, [this] {
        if (restores_) {
            restores_->presentResolution();
        }
    });
    connect(undo_, &QAbstractButton::clicked, this, [this] {
        if (restores_) {
            restores_->undoLastRestore();
        }
    });

    // The list, inside a clip that opens and closes over it.
    details_->setObjectName(QStringLiteral("result-details"));
    details_->setWidgetResizable(true);
    details_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    details_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    overlayScrolling(details_);
    auto *clipLayout = new QVBoxLayout(detailsClip_);
    clipLayout->setContentsMargins(0, 0, 0, 0);
    clipLayout->addWidget(details_, 0, Qt::AlignTop);
    detailsClip_->setFixedHeight(0);
    detailsClip_->hide();
    layout->addWidget(detailsClip_);

    disclosure_.setDuration(disclosureMilliseconds);
    disclosure_.setEasingCurve(QEasingCurve::InOutQuad);
    connect(&disclosure_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { detailsClip_->setFixedHeight(value.toInt()); });
    connect(&disclosure_, &QVariantAnimation::finished, this,
            [this] { detailsClip_->setVisible(expanded_); });
    updateRowAccessibility();
}

void ResultSection::setResult(const RestoreResult &result, const std::optional<UndoInfo> &undo,
                              bool canUndo)
{
    symbol_->setName(ResultPresentation::icon(result));
    symbol_->setColour(toneColour(ResultPresentation::tone(result)));
    summary_->setText(result.summary);
    rowName_ = PanelTexts::resultAccessibleName(result);
    kindLine_->setText(PanelTexts::resultKindLine(result));
    const bool showsReason = result.deferredCount > 0 && result.deferredReason.has_value();
    deferredReason_->setVisible(showsReason);
    deferredReason_->setText(showsReason ? *result.deferredReason : QString());

    choose_->setVisible(result.needsSelectionCount > 0);
    undo_->setVisible(undo.has_value());
    undo_->setEnabled(canUndo);
    undoText_->setVisible(undo.has_value());
    undoText_->setText(undo ? PanelTexts::undoText(*undo) : QString());
    actions_->setVisible(result.needsSelectionCount > 0 || undo.has_value());

    if (shownResult_ != result.id || shownEntries_ != result.entries) {
        shownResult_ = result.id;
        shownEntries_ = result.entries;
        rebuildEntries(result.entries);
    }
    updateRowAccessibility();
}

int ResultSection::detailsHeight() const
{
    return ResultPresentation::detailsHeight(shownEntries_);
}

int ResultSection::shownDetailsHeight() const
{
    return detailsClip_->isVisible() ? detailsClip_->height() : 0;
}

void ResultSection::setExpanded(bool expanded)
{
    if (expanded == expanded_) {
        return;
    }
    expanded_ = expanded;
    chevron_->setName(expanded ? QStringLiteral("chevron.up") : QStringLiteral("chevron.down"));
    updateRowAccessibility();
    disclosure_.stop();
    const int open = detailsHeight();
    const bool still = (reduceMotion_ && reduceMotion_->reduceMotion()) || !isVisible();
    if (still) {
        detailsClip_->setFixedHeight(expanded ? open : 0);
        detailsClip_->setVisible(expanded);
        return;
    }
    detailsClip_->show();
    disclosure_.setStartValue(detailsClip_->height());
    disclosure_.setEndValue(expanded ? open : 0);
    disclosure_.start();
}

void ResultSection::updateRowAccessibility()
{
    row_->setAccessibleName(rowName_);
    row_->setAccessibleDescription(expanded_ ? QStringLiteral("Expanded")
                                             : QStringLiteral("Collapsed"));
}

void ResultSection::rebuildEntries(const QList<EntryResult> &entries)
{
    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("result-entries"));
    entries_ = new QVBoxLayout(content);
    entries_->setContentsMargins(0, 0, 0, 0);
    entries_->setSpacing(0);
    for (const EntryResult &entry : entries) {
        entries_->addWidget(entryRow(entry));
    }
    entries_->addStretch(1);
    details_->setWidget(content);
    const int open = detailsHeight();
    details_->setFixedHeight(open);
    if (expanded_ && disclosure_.state() != QAbstractAnimation::Running) {
        detailsClip_->setFixedHeight(open);
    }
}

QWidget *ResultSection::entryRow(const EntryResult &entry)
{
    auto *line = new QWidget;
    line->setObjectName(QStringLiteral("result-entry"));
    line->setAccessibleName(PanelTexts::entryAccessibleName(entry));
    auto *layout = new QHBoxLayout(line);
    layout->setContentsMargins(12, 4, 12, 4);
    layout->setSpacing(8);
    layout->addWidget(
        leadingFrame(new AppIconView(entry.bundleID, 22, icons_, nullptr, entry.appName), 24));
    auto *texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->addWidget(limitedLabel(entry.label, 1, 12.5));
    if (ResultPresentation::showsDetail(entry)) {
        texts->addWidget(
            limitedLabel(*entry.detail, 2, 11.5, QFont::Normal, ThemeColor::secondary()));
    }
    layout->addLayout(texts, 1);
    layout->addSpacing(4);
    return line;
}

} // namespace ostrel
