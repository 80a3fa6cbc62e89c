#include "ui/panel/LayoutRow.h"

#include "app/AppModel.h"
#include "app/WindowPresenter.h"
#include "ui/panel/Accessibility.h"
#include "ui/panel/LayoutHover.h"
#include "ui/panel/LineLimitedLabel.h"
#include "ui/panel/PanelActions.h"
#include "ui/panel/PanelTexts.h"
#include "ui/panel/PlainText.h"
#include "ui/panel/SectionLabel.h"
#include "ui/panel/ShortcutBadge.h"
#include "ui/panel/Symbols.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/Theme.h"
#include "ui/panel/UiFont.h"
#include "ui/panel/ViewEnvironment.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

namespace ostrel {

namespace {

constexpr int actionsSide = 28;
constexpr qreal dimmedActions = 0.55;

// A button without chrome whose face is the row's content; the row draws the highlight.
class RowSelectButton final : public QAbstractButton {
public:
    using QAbstractButton::QAbstractButton;

    QSize sizeHint() const override { return layout() ? layout()->sizeHint() : QSize(); }
    QSize minimumSizeHint() const override { return layout() ? layout()->minimumSize() : QSize(); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (!hasFocus()) {
            return;
        }
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Theme::accent(palette()), 2));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 8, 8);
    }
};

// The "ellipsis" that opens the row's menu, dimmed unless the pointer is on it.
class RowActionsButton final : public QAbstractButton {
public:
    using QAbstractButton::QAbstractButton;

    qreal opacity = dimmedActions;

    QSize sizeHint() const override { return {actionsSide, actionsSide}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor colour = Theme::primary(palette());
        colour.setAlphaF(colour.alphaF() * opacity);
        const int side = Symbols::side(13);
        Symbols::paint(painter, QRectF((width() - side) / 2.0, (height() - side) / 2.0, side, side),
                       QStringLiteral("ellipsis"), colour);
        if (hasFocus()) {
            painter.setPen(QPen(Theme::accent(palette()), 2));
            painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
        }
    }
};

} // namespace

LayoutRow::LayoutRow(const Layout &layout, LayoutHover &hover, PanelActions &actions,
                     const ViewEnvironment &environment, QWidget *parent)
    : QWidget(parent)
    , layout_(layout)
    , hover_(&hover)
    , actions_(&actions)
    , model_(environment.model)
    , presenter_(environment.presenter)
    , select_(new RowSelectButton)
    , name_(limitedLabel(layout.name, 1, 13))
    , summary_(limitedLabel(PanelTexts::layoutSummary(layout), 1, 11.5, QFont::Normal,
                            ThemeColor::secondary()))
    , checkmark_(new SymbolView(QStringLiteral("checkmark"), 12, QFont::Bold, ThemeColor::accent()))
    , actionsButton_(new RowActionsButton)
{
    setObjectName(QStringLiteral("layout-row"));
    PlainText::setToolTip(this, layout.name);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(12, 0, 12, 0);
    row->setSpacing(8);

    select_->setObjectName(QStringLiteral("layout-row-")
                           + layout.id.toString(QUuid::WithoutBraces).toUpper());
    name_->setObjectName(QStringLiteral("layout-row-name"));
    summary_->setObjectName(QStringLiteral("layout-row-summary"));
    checkmark_->setObjectName(QStringLiteral("layout-row-checkmark"));
    select_->setFocusPolicy(Qt::TabFocus);
    select_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto *face = new QHBoxLayout(select_);
    face->setContentsMargins(0, 6, 0, 6);
    face->setSpacing(8);
    auto *glyph =
        new SymbolView(QStringLiteral("macwindow"), 18, QFont::Normal, ThemeColor::secondary());
    auto *glyphFrame = new QWidget;
    glyphFrame->setFixedWidth(24);
    glyphFrame->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto *glyphLayout = new QHBoxLayout(glyphFrame);
    glyphLayout->setContentsMargins(0, 0, 0, 0);
    glyphLayout->addWidget(glyph, 0, Qt::AlignLeft | Qt::AlignVCenter);
    face->addWidget(glyphFrame);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->addWidget(name_);
    texts->addWidget(summary_);
    name_->setAttribute(Qt::WA_TransparentForMouseEvents);
    summary_->setAttribute(Qt::WA_TransparentForMouseEvents);
    face->addLayout(texts, 1);
    face->addSpacing(2);
    if (layout.shortcut) {
        badge_ = new ShortcutBadge(*layout.shortcut, environment.keyboardLayout);
        badge_->setObjectName(QStringLiteral("layout-row-badge"));
        badge_->setAttribute(Qt::WA_TransparentForMouseEvents);
        face->addWidget(badge_);
    }
    face->addWidget(checkmark_);
    checkmark_->hide();
    row->addWidget(select_, 1);

    actionsButton_->setObjectName(QStringLiteral("layout-row-actions"));
    actionsButton_->setFocusPolicy(Qt::TabFocus);
    actionsButton_->setAccessibleName(PanelTexts::rowActionsAccessibleName(layout));
    row->addWidget(actionsButton_);

    select_->installEventFilter(this);
    actionsButton_->installEventFilter(this);
    connect(select_, &QAbstractButton::clicked, this, [this] {
        // Selecting only: a restore is always asked for by name, from the menu or the button.
        if (model_) {
            model_->selectLayout(layout_.id);
        }
    });
    connect(actionsButton_, &QAbstractButton::clicked, this, &LayoutRow::openMenu);
    connect(&hover, &LayoutHover::changed, this, [this] {
        static_cast<RowActionsButton *>(actionsButton_)->opacity = actionsOpacity();
        actionsButton_->update();
        update();
    });
    updateAccessibility();
}

LayoutRow::~LayoutRow()
{
    if (hover_) {
        hover_->menuLeft(layout_.id);
        hover_->rowLeft(layout_.id);
    }
}

void LayoutRow::setSelected(bool selected)
{
    if (selected == selected_) {
        return;
    }
    selected_ = selected;
    name_->setFont(UiFont::system(13, selected ? QFont::DemiBold : QFont::Normal));
    checkmark_->setVisible(selected);
    updateAccessibility();
    update();
}

void LayoutRow::setDeleting(bool deleting)
{
    deleting_ = deleting;
}

void LayoutRow::updateAccessibility()
{
    select_->setAccessibleName(PanelTexts::rowAccessibleName(layout_, selected_));
    Accessibility::setSelected(select_, selected_);
}

LayoutRow::Background LayoutRow::background() const
{
    if (selected_) {
        return Background::selected;
    }
    if (hover_ && hover_->hoveredLayoutID() == layout_.id) {
        return Background::hovered;
    }
    return Background::none;
}

qreal LayoutRow::actionsOpacity() const
{
    return hover_ && hover_->hoveredActionsLayoutID() == layout_.id ? 1.0 : dimmedActions;
}

void LayoutRow::paintEvent(QPaintEvent *)
{
    const Background shown = background();
    if (shown == Background::none) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // The faint neutral fill stands for the platform's quaternary label colour.
    painter.setBrush(shown == Background::selected ? Theme::selectedBackground(palette())
                                                   : Theme::primary(palette(), 0.10));
    painter.drawRoundedRect(QRectF(rect()).adjusted(4, 1, -4, -1), 12, 12);
}

void LayoutRow::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    if (hover_) {
        hover_->rowEntered(layout_.id);
    }
}

void LayoutRow::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    if (hover_) {
        hover_->rowLeft(layout_.id);
    }
}

bool LayoutRow::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (hover_ && (type == QEvent::Enter || type == QEvent::Leave)) {
        const bool entered = type == QEvent::Enter;
        if (watched == actionsButton_) {
            entered ? hover_->menuEntered(layout_.id) : hover_->menuLeft(layout_.id);
        } else if (watched == select_) {
            entered ? hover_->rowEntered(layout_.id) : hover_->rowLeft(layout_.id);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LayoutRow::openMenu()
{
    if (menu_) {
        menu_->close();
    }
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setObjectName(QStringLiteral("layout-row-menu"));
    menu->setAccessibleName(PanelTexts::rowActionsAccessibleName(layout_));
    const QUuid id = layout_.id;
    menu->addAction(QStringLiteral("Restore"), this, [this, id] {
        // Whether a restore may start is the model's decision; it reports refusals itself.
        if (model_) {
            model_->restoreLayout(id);
        }
    });
    menu->addAction(QStringLiteral("Manage Layout…"), this, &LayoutRow::manage);
    menu->addSeparator();
    QAction *remove = menu->addAction(QStringLiteral("Delete Layout…"), this, [this] {
        if (actions_) {
            actions_->confirmDelete(layout_);
        }
    });
    remove->setEnabled(!deleting_);
    menu_ = menu;
    menu->popup(actionsButton_->mapToGlobal(QPoint(0, actionsButton_->height())));
}

void LayoutRow::manage()
{
    if (!model_ || !presenter_) {
        return;
    }
    model_->setManageLayoutID(layout_.id);
    presenter_->showLayoutDetails();
    presenter_->focus(QString(WindowID::layoutDetails));
}

} // namespace ostrel
