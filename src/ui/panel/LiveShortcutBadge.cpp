#include "ui/panel/LiveShortcutBadge.h"

#include "ui/panel/Theme.h"
#include "ui/panel/UiFont.h"

#include <QPainter>

namespace ostrel {

namespace {

constexpr int horizontalPadding = 6;
constexpr int verticalPadding = 2;
constexpr int spacing = 4;
constexpr qreal dot = 5;
constexpr qreal cornerRadius = 5;

QColor withOpacity(QColor colour, qreal opacity)
{
    colour.setAlphaF(colour.alphaF() * opacity);
    return colour;
}

} // namespace

LiveShortcutBadge::LiveShortcutBadge(const QString &text, bool isValid, bool isRisky,
                                     bool isReserved, QWidget *parent)
    : QWidget(parent)
{
    setFont(UiFont::rounded(11, QFont::DemiBold));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setState(text, isValid, isRisky, isReserved);
}

void LiveShortcutBadge::setState(const QString &text, bool isValid, bool isRisky, bool isReserved)
{
    text_ = text;
    isValid_ = isValid;
    isRisky_ = isRisky;
    isReserved_ = isReserved;
    setAccessibleName(accessibilityLabel());
    updateGeometry();
    update();
}

QString LiveShortcutBadge::accessibilityLabel(const QString &text, bool isValid, bool isRisky,
                                              bool isReserved)
{
    if (isValid) {
        return isRisky ? QStringLiteral("New shortcut ") + text
                + QStringLiteral(", replaces ordinary typing or selection")
                       : QStringLiteral("New shortcut ") + text;
    }
    return isReserved
        ? QStringLiteral("Pressed ") + text + QStringLiteral(", reserved for the desktop")
        : QStringLiteral("Pressed ") + text + QStringLiteral(", needs a modifier");
}

QString LiveShortcutBadge::accessibilityLabel() const
{
    return accessibilityLabel(text_, isValid_, isRisky_, isReserved_);
}

QSize LiveShortcutBadge::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(2 * horizontalPadding + int(dot) + spacing + metrics.horizontalAdvance(text_),
                 metrics.height() + 2 * verticalPadding);
}

void LiveShortcutBadge::paintEvent(QPaintEvent *)
{
    const QPalette &pal = palette();
    const bool live = isLive();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    painter.setPen(Qt::NoPen);
    painter.setBrush(live ? Theme::liveBackground(pal) : withOpacity(Theme::warning(pal), 0.12));
    painter.drawRoundedRect(bounds, cornerRadius, cornerRadius);
    // The border lies on the inside of the edge.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(live ? Theme::liveBorder(pal) : withOpacity(Theme::warning(pal), 0.55), 1));
    painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5,
                            cornerRadius - 0.5);

    painter.setPen(Qt::NoPen);
    painter.setBrush(live ? Theme::accent(pal) : Theme::warning(pal));
    painter.drawEllipse(QRectF(horizontalPadding, (height() - dot) / 2, dot, dot));

    painter.setPen(Theme::primary(pal));
    painter.setFont(font());
    const QRectF textRect(horizontalPadding + dot + spacing, 0,
                          width() - horizontalPadding * 2 - dot - spacing, height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
}

} // namespace ostrel
