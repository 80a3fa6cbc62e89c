#include "ui/panel/PanelButton.h"

#include "ui/panel/FocusRing.h"
#include "ui/panel/Symbols.h"
#include "ui/panel/Theme.h"
#include "ui/panel/UiFont.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

double titleSize(PanelButton::ControlSize size)
{
    switch (size) {
    case PanelButton::ControlSize::mini:
        return 9;
    case PanelButton::ControlSize::small:
        return 11;
    case PanelButton::ControlSize::regular:
        return 13;
    }
    return 13;
}

bool hasChrome(PanelButton::Look look)
{
    return look == PanelButton::Look::prominent || look == PanelButton::Look::bordered;
}

QColor withOpacity(QColor colour, qreal opacity)
{
    colour.setAlphaF(colour.alphaF() * opacity);
    return colour;
}

} // namespace

PanelButton::PanelButton(const QString &title, Look look, ControlSize size, QWidget *parent)
    : QAbstractButton(parent)
    , title_(title)
    , look_(look)
    , size_(size)
    , tint_(look == Look::plain ? ThemeColor::secondary() : ThemeColor::accent())
    , titleFont_(UiFont::system(titleSize(size)))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::ArrowCursor);
    setAccessibleName(title);
    FocusRing::follow(this, size == ControlSize::regular ? 6 : 5);
}

void PanelButton::setTitle(const QString &title)
{
    if (title == title_) {
        return;
    }
    if (accessibleName() == title_) {
        setAccessibleName(title);
    }
    title_ = title;
    contentChanged();
}

void PanelButton::setTint(ThemeColor tint)
{
    tint_ = tint;
    tinted_ = true;
    update();
}

void PanelButton::setTitleFont(const QFont &font)
{
    titleFont_ = font;
    contentChanged();
}

void PanelButton::setSymbol(std::optional<QString> name, double pointSize, QFont::Weight weight)
{
    if (symbol_ == name && symbolSize_ == pointSize && symbolWeight_ == weight) {
        return;
    }
    symbol_ = std::move(name);
    symbolSize_ = pointSize;
    symbolWeight_ = weight;
    contentChanged();
}

void PanelButton::setLeadingWidget(QWidget *widget)
{
    delete leading_;
    leading_ = widget;
    if (widget) {
        widget->setParent(this);
        widget->setAttribute(Qt::WA_TransparentForMouseEvents);
        // Its showing and hiding changes the face, so the button follows it.
        widget->installEventFilter(this);
    }
    contentChanged();
}

void PanelButton::setTrailingNote(std::optional<QString> note, const QFont &font, qreal opacity)
{
    note_ = std::move(note);
    noteFont_ = font;
    noteOpacity_ = opacity;
    contentChanged();
}

void PanelButton::setSpacing(int spacing)
{
    spacing_ = spacing;
    contentChanged();
}

void PanelButton::setMinimumContentWidth(int width)
{
    minimumContentWidth_ = width;
    contentChanged();
}

void PanelButton::setContentPadding(QMargins padding)
{
    padding_ = padding;
    contentChanged();
}

void PanelButton::contentChanged()
{
    updateGeometry();
    placeLeadingWidget();
    update();
}

bool PanelButton::showsLeadingWidget() const
{
    return leading_ && !leading_->isHidden();
}

QMargins PanelButton::padding() const
{
    if (padding_) {
        return *padding_;
    }
    if (!hasChrome(look_)) {
        return {};
    }
    switch (size_) {
    case ControlSize::mini:
        return {5, 1, 5, 1};
    case ControlSize::small:
        return {8, 2, 8, 2};
    case ControlSize::regular:
        return {14, 4, 14, 4};
    }
    return {};
}

int PanelButton::minimumHeight() const
{
    if (!hasChrome(look_)) {
        return 0;
    }
    switch (size_) {
    case ControlSize::mini:
        return 16;
    case ControlSize::small:
        return 22;
    case ControlSize::regular:
        return 28;
    }
    return 0;
}

PanelButton::Metrics PanelButton::metrics() const
{
    Metrics m;
    if (showsLeadingWidget()) {
        const QSize hint = leading_->sizeHint();
        m.leadingWidth = hint.width();
        m.leadingHeight = hint.height();
    } else if (symbol_) {
        m.leadingWidth = m.leadingHeight = Symbols::side(symbolSize_);
    }
    const QFontMetrics titleMetrics(titleFont_);
    m.titleWidth = title_.isEmpty() ? 0 : titleMetrics.horizontalAdvance(title_);
    int height = std::max(m.leadingHeight, title_.isEmpty() ? 0 : titleMetrics.height());
    if (note_) {
        const QFontMetrics noteMetrics(noteFont_);
        m.noteWidth = noteMetrics.horizontalAdvance(*note_);
        height = std::max(height, noteMetrics.height());
    }
    int width = 0;
    int items = 0;
    for (int part : {m.leadingWidth, m.titleWidth, m.noteWidth}) {
        if (part > 0) {
            width += part;
            ++items;
        }
    }
    width += spacing_ * std::max(0, items - 1);
    m.contentWidth = std::max(width, minimumContentWidth_);
    m.contentHeight = height;
    return m;
}

QSize PanelButton::sizeHint() const
{
    const Metrics m = metrics();
    const QMargins pad = padding();
    return {m.contentWidth + pad.left() + pad.right(),
            std::max(minimumHeight(), m.contentHeight + pad.top() + pad.bottom())};
}

QColor PanelButton::foreground() const
{
    const QPalette &p = palette();
    if (!isEnabled()) {
        // A disabled prominent button loses its fill, so its face must read on the bare surface.
        if (look_ == Look::prominent) {
            QPalette active = p;
            active.setCurrentColorGroup(QPalette::Active);
            return Theme::secondary(active);
        }
        return Theme::tertiary(p);
    }
    switch (look_) {
    case Look::prominent:
        return Qt::white;
    case Look::bordered:
        return tinted_ ? tint_.resolve(p) : Theme::primary(p);
    case Look::borderless:
    case Look::link:
    case Look::plain: {
        const QColor colour = tint_.resolve(p);
        return isDown() ? withOpacity(colour, 0.6) : colour;
    }
    }
    return Theme::primary(p);
}

int PanelButton::usedWidth(const Metrics &m) const
{
    int used = 0;
    int items = 0;
    for (int part : {m.leadingWidth, m.titleWidth, m.noteWidth}) {
        if (part > 0) {
            used += part;
            ++items;
        }
    }
    return used + spacing_ * std::max(0, items - 1);
}

void PanelButton::placeLeadingWidget()
{
    if (!showsLeadingWidget()) {
        return;
    }
    const Metrics m = metrics();
    const QRect inner = rect().marginsRemoved(padding());
    const int left = inner.left() + std::max(0, (inner.width() - usedWidth(m)) / 2);
    leading_->setGeometry(left, inner.top() + (inner.height() - m.leadingHeight) / 2,
                          m.leadingWidth, m.leadingHeight);
}

void PanelButton::resizeEvent(QResizeEvent *event)
{
    QAbstractButton::resizeEvent(event);
    placeLeadingWidget();
}

bool PanelButton::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == leading_
        && (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)) {
        contentChanged();
    }
    return QAbstractButton::eventFilter(watched, event);
}

void PanelButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &p = palette();
    const QRectF face = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = size_ == ControlSize::regular ? 6 : 5;

    if (look_ == Look::prominent) {
        QColor fill =
            isEnabled() ? tint_.resolve(p) : Theme::primary(p, Theme::isDark(p) ? 0.16 : 0.08);
        if (isDown()) {
            fill = fill.darker(118);
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(face, radius, radius);
    } else if (look_ == Look::bordered) {
        painter.setPen(QPen(Theme::primary(p, 0.16), 1));
        painter.setBrush(Theme::primary(p, isDown() ? 0.16 : (Theme::isDark(p) ? 0.10 : 0.03)));
        painter.drawRoundedRect(face, radius, radius);
    }

    const Metrics m = metrics();
    const QRect inner = rect().marginsRemoved(padding());
    int x = inner.left() + std::max(0, (inner.width() - usedWidth(m)) / 2);
    const QColor colour = foreground();

    if (m.leadingWidth > 0) {
        if (!showsLeadingWidget() && symbol_) {
            const int side = Symbols::side(symbolSize_);
            const QRectF square(x, inner.top() + (inner.height() - side) / 2.0, side, side);
            Symbols::paint(painter, square, *symbol_, colour, symbolWeight_);
        }
        x += m.leadingWidth + spacing_;
    }
    if (m.titleWidth > 0) {
        painter.setFont(titleFont_);
        painter.setPen(colour);
        painter.drawText(QRect(x, inner.top(), m.titleWidth + 1, inner.height()),
                         Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, title_);
        x += m.titleWidth + spacing_;
    }
    if (note_ && m.noteWidth > 0) {
        painter.setFont(noteFont_);
        painter.setPen(withOpacity(colour, noteOpacity_));
        painter.drawText(QRect(x, inner.top(), m.noteWidth + 1, inner.height()),
                         Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, *note_);
    }
}

} // namespace ostrel
