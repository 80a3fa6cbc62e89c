#include "ui/panel/DisclosureButton.h"

#include "ui/panel/Symbols.h"

#include <QPainter>

namespace ostrel {

namespace {

constexpr int chevronGap = 3;

int chevronSide(const QFont &font)
{
    return Symbols::side(QFontMetricsF(font).height() * 0.62);
}

} // namespace

DisclosureButton::DisclosureButton(const QString &title, QWidget *parent)
    : QAbstractButton(parent)
{
    setText(title);
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::ArrowCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void DisclosureButton::setTone(ThemeColor tone)
{
    tone_ = tone;
    update();
}

QSize DisclosureButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    // The text as shown: an ampersand in a fixed title would otherwise count twice.
    return QSize(chevronSide(font()) + chevronGap + metrics.horizontalAdvance(text()) + 2,
                 std::max(metrics.height(), chevronSide(font())));
}

void DisclosureButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QColor colour = tone_.resolve(palette());
    const int side = chevronSide(font());
    const QRectF chevron(0, (height() - side) / 2, side, side);
    Symbols::paint(painter, chevron,
                   isChecked() ? QStringLiteral("chevron.down") : QStringLiteral("chevron.right"),
                   colour, QFont::DemiBold);
    painter.setPen(colour);
    painter.setFont(font());
    const QRect textRect(side + chevronGap, 0, width() - side - chevronGap, height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

} // namespace ostrel
