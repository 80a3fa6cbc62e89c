#include "ui/windows/LayoutChooserView.h"

#include "app/AppModel.h"
#include "app/WindowPresenter.h"
#include "platform/KeyboardLayoutObserver.h"
#include "ui/panel/AppAppearance.h"
#include "ui/panel/Divider.h"
#include "ui/panel/GroupedSurface.h"
#include "ui/panel/HoverRowButton.h"
#include "ui/panel/LazyRows.h"
#include "ui/panel/LineLimitedLabel.h"
#include "ui/panel/OverlayScrolling.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/ReadingOrder.h"
#include "ui/panel/RouteIntroduction.h"
#include "ui/panel/ShortcutBadge.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/UiFont.h"
#include "ui/panel/WindowKeys.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace ostrel {

namespace {

constexpr int sideInset = 16;
// The hairlines between rows start where the row's text does.
constexpr int dividerInset = 42;

QString counted(qsizetype count, const QString &one, const QString &many)
{
    return QString::number(count) + QLatin1Char(' ') + (count == 1 ? one : many);
}

} // namespace

QString LayoutChooserView::summary(const Layout &layout)
{
    return counted(layout.entries.size(), QStringLiteral("window"), QStringLiteral("windows"))
        + QStringLiteral(" · ")
        + counted(layout.displays.size(), QStringLiteral("display"), QStringLiteral("displays"));
}

LayoutChooserView::LayoutChooserView(const ViewEnvironment &environment, QWidget *parent)
    : QWidget(parent)
    , model_(environment.model)
    , presenter_(environment.presenter)
    , keyboardLayout_(environment.keyboardLayout)
{
    setObjectName(QStringLiteral("chooser-window"));
    setFont(UiFont::body());
    setAutoFillBackground(true);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(
        new RouteIntroduction(QStringLiteral("rectangle.3.group"), QStringLiteral("Restore Layout"),
                              QStringLiteral("Choose one to bring its windows back.")));

    notice_ = new QWidget;
    auto *noticeInset = new QVBoxLayout(notice_);
    noticeInset->setContentsMargins(sideInset, 0, sideInset, 6);
    noticeInset->addWidget(permissionNotice());
    column->addWidget(notice_);

    body_ = new QStackedWidget;

    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("chooser-list"));
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *content = new QWidget;
    auto *contentColumn = new QVBoxLayout(content);
    // The overlay scroll bar's 10-point strip makes up the rest of the trailing inset.
    contentColumn->setContentsMargins(sideInset, 6, sideInset - 10, 6);
    auto *surface = new GroupedSurface(0);
    surface->contentLayout()->setSpacing(0);
    rowsSurface_ = surface;
    contentColumn->addWidget(surface);
    contentColumn->addStretch(1);
    scroll->setWidget(content);
    overlayScrolling(scroll);
    list_ = scroll;
    body_->addWidget(list_);

    empty_ = new QWidget;
    empty_->setObjectName(QStringLiteral("chooser-empty"));
    auto *emptyColumn = new QVBoxLayout(empty_);
    emptyColumn->setContentsMargins(24, 24, 24, 24);
    emptyColumn->setSpacing(7);
    emptyColumn->addStretch(1);
    emptyColumn->addWidget(
        new SymbolView(QStringLiteral("macwindow"), 26, QFont::Normal, ThemeColor::secondary()), 0,
        Qt::AlignHCenter);
    auto *emptyTitle = new PlainLabel(QStringLiteral("No layouts yet"));
    emptyTitle->setFont(UiFont::system(13, QFont::Medium));
    emptyColumn->addWidget(emptyTitle, 0, Qt::AlignHCenter);
    auto *emptyDetail = new PlainLabel(environment.panelInTray
                                           ? QStringLiteral("Open Ostrel in the tray to save one.")
                                           : QStringLiteral("Open the Ostrel window to save one."));
    emptyDetail->setFont(UiFont::system(12));
    emptyDetail->setTone(ThemeColor::secondary());
    emptyDetail->setAlignment(Qt::AlignHCenter);
    emptyDetail->setWordWrap(true);
    emptyColumn->addWidget(emptyDetail);
    emptyColumn->addStretch(1);
    body_->addWidget(empty_);
    column->addWidget(body_, 1);

    column->addWidget(new Divider(0.55));
    auto *footer = new QHBoxLayout;
    footer->setContentsMargins(18, 12, 18, 12);
    auto *hint = new PlainLabel(environment.panelInTray
                                    ? QStringLiteral("Save layouts from the tray.")
                                    : QStringLiteral("Save layouts from the Ostrel window."));
    hint->setFont(UiFont::system(11.5));
    hint->setTone(ThemeColor::secondary());
    footer->addWidget(hint);
    footer->addStretch(1);
    auto *closeButton = new QPushButton(QStringLiteral("Close"));
    closeButton->setObjectName(QStringLiteral("chooser-close"));
    footer->addWidget(closeButton);
    column->addLayout(footer);

    connect(closeButton, &QPushButton::clicked, this, &LayoutChooserView::closeWindow);
    WindowKeys::onEscape(this, [closeButton] { closeButton->click(); });

    if (model_) {
        for (auto change : {&AppModel::savedDataChanged, &AppModel::sessionChanged,
                            &AppModel::restoreStatusChanged, &AppModel::storageStatusChanged}) {
            connect(model_, change, this, &LayoutChooserView::scheduleRefresh);
        }
    }
    AppAppearance::attach(this, environment);
    refresh();
}

QWidget *LayoutChooserView::permissionNotice()
{
    auto *surface = new GroupedSurface(0);
    surface->setObjectName(QStringLiteral("chooser-permission-notice"));
    auto *inner = new QWidget;
    auto *column = new QVBoxLayout(inner);
    column->setContentsMargins(10, 10, 10, 10);
    column->setSpacing(8);

    auto *top = new QHBoxLayout;
    top->setSpacing(7);
    top->addWidget(new SymbolView(QStringLiteral("exclamationmark.shield.fill"), 17, QFont::Normal,
                                  ThemeColor::warning()),
                   0, Qt::AlignTop);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto *title = new PlainLabel(QStringLiteral("Accessibility Access Needed"));
    title->setFont(UiFont::system(12.5, QFont::DemiBold));
    texts->addWidget(title);
    auto *message =
        new PlainLabel(QStringLiteral("Run a window manager that supports EWMH, then Recheck."));
    message->setFont(UiFont::subheadline());
    message->setTone(ThemeColor::secondary());
    message->setWordWrap(true);
    texts->addWidget(message);
    top->addLayout(texts, 1);
    column->addLayout(top);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(7);
    auto *recheck = new PanelButton(QStringLiteral("Recheck"), PanelButton::Look::bordered,
                                    PanelButton::ControlSize::small);
    recheck->setObjectName(QStringLiteral("chooser-recheck"));
    buttons->addWidget(recheck);
    buttons->addStretch(1);
    column->addLayout(buttons);
    surface->addWidget(inner, {});

    connect(recheck, &PanelButton::clicked, this, [this] {
        if (model_) {
            // Nothing waits for it: the notice goes when the model publishes the new trust.
            model_->refreshPermission(false);
        }
    });
    return surface;
}

void LayoutChooserView::scheduleRefresh()
{
    if (refreshQueued_) {
        return;
    }
    refreshQueued_ = true;
    QMetaObject::invokeMethod(this, &LayoutChooserView::refresh, Qt::QueuedConnection);
}

void LayoutChooserView::refresh()
{
    refreshQueued_ = false;
    notice_->setVisible(model_ && !model_->session().permissionTrusted);
    const QList<Layout> layouts = model_ ? model_->savedData().layouts : QList<Layout>();
    if (layouts != shownLayouts_) {
        shownLayouts_ = layouts;
        showLayouts(layouts);
    }
    if (rows_) {
        for (const auto &[index, shown] : rows_->rows()) {
            shown->findChild<HoverRowButton *>(QStringLiteral("chooser-row"))
                ->setEnabled(model_ && model_->canChooseRestore((*shownLayouts_)[index]));
        }
    }
}

void LayoutChooserView::showLayouts(const QList<Layout> &layouts)
{
    auto *surfaceLayout = qobject_cast<QVBoxLayout *>(rowsSurface_->layout());
    while (QLayoutItem *item = surfaceLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    LazyRows::Source source;
    source.make = [this](int index) { return entry(index); };
    source.kind = [this](int index) {
        return (index > 0 ? 2 : 0) + ((*shownLayouts_)[index].shortcut ? 1 : 0);
    };
    rows_ = new LazyRows(std::move(source), int(layouts.size()));
    rows_->setObjectName(QStringLiteral("chooser-rows"));
    surfaceLayout->addWidget(rows_);
    rows_->fill();
    body_->setCurrentWidget(layouts.isEmpty() ? empty_ : list_);
}

QWidget *LayoutChooserView::entry(int index)
{
    const Layout &layout = (*shownLayouts_)[index];
    auto *entry = new QWidget;
    auto *column = new QVBoxLayout(entry);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    if (index > 0) {
        auto *inset = new QHBoxLayout;
        inset->setContentsMargins(dividerInset, 0, 0, 0);
        inset->addWidget(new Divider);
        column->addLayout(inset);
    }
    HoverRowButton *row = layoutRow(layout);
    row->setEnabled(model_ && model_->canChooseRestore(layout));
    column->addWidget(row);
    return entry;
}

HoverRowButton *LayoutChooserView::layoutRow(const Layout &layout)
{
    auto *row = new HoverRowButton(HoverRowButtonStyle{12, 0, 0});
    row->setObjectName(QStringLiteral("chooser-row"));
    row->setAccessibleName(QStringLiteral("Restore ") + layout.name);
    row->setAccessibleDescription(
        QStringLiteral("Selects this layout and restores its saved windows."));
    // The row's texts lie on the window, not on a button face: they take the window's text
    // colours (a label takes its colour role from the button's face otherwise, and its tone
    // would not apply).
    row->setBackgroundRole(QPalette::Window);

    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(10, 7, 10, 7);
    line->setSpacing(10);
    auto *symbol =
        new SymbolView(QStringLiteral("macwindow"), 14, QFont::Normal, ThemeColor::accent());
    symbol->setFixedWidth(20);
    line->addWidget(symbol, 0, Qt::AlignVCenter);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(1);
    auto *name = new LineLimitedLabel(layout.name, 1);
    name->setObjectName(QStringLiteral("chooser-row-name"));
    name->setFont(UiFont::system(13, QFont::Medium));
    texts->addWidget(name);
    auto *detail = new PlainLabel(summary(layout));
    detail->setObjectName(QStringLiteral("chooser-row-summary"));
    detail->setFont(UiFont::system(11));
    detail->setTone(ThemeColor::secondary());
    texts->addWidget(detail);
    line->addLayout(texts, 1);
    line->addSpacing(6);

    if (layout.shortcut) {
        line->addWidget(new ShortcutBadge(*layout.shortcut, keyboardLayout_), 0, Qt::AlignVCenter);
    }
    line->addWidget(new SymbolView(QStringLiteral("arrow.uturn.backward"), 11.5, QFont::Medium,
                                   ThemeColor::secondary()),
                    0, Qt::AlignVCenter);

    const QUuid id = layout.id;
    connect(row, &HoverRowButton::clicked, this, [this, id] { choose(id); });
    return row;
}

void LayoutChooserView::choose(const QUuid &id)
{
    if (!model_) {
        return;
    }
    QPointer<LayoutChooserView> self(this);
    model_->selectLayout(id);
    model_->restoreLayout(id);
    // A restore that is refused or needs a decision reports through the model; the chooser's
    // part is done either way.
    if (self) {
        closeWindow();
    }
}

void LayoutChooserView::closeWindow()
{
    if (presenter_) {
        presenter_->close(QString(WindowID::chooser));
    }
}

bool LayoutChooserView::focusNextPrevChild(bool next)
{
    return ReadingOrder::moveFocus(this, next) || QWidget::focusNextPrevChild(next);
}

} // namespace ostrel
