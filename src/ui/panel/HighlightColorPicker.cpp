#include "ui/panel/HighlightColorPicker.h"

#include "platform/SystemColors.h"
#include "ui/panel/ScreenReader.h"
#include "ui/panel/Theme.h"

#include <QEasingCurve>
#include <QGridLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace ostrel {

namespace {

constexpr qreal swatchDiameter = 18;
constexpr qreal tileRadius = 8;
constexpr qreal pressedScale = 0.96;
constexpr qreal pressedOpacity = 0.85;
constexpr int pressDuration = 120; // ms

// One swatch tile. Its selected look comes from the picker; its hover and its pressed feedback
// are its own. The press shrinks and dims the tile with a short ease-out, both ways.
class HighlightColorChoice final : public QAbstractButton {
public:
    HighlightColorChoice(HighlightColor color, QWidget *parent)
        : QAbstractButton(parent)
        , color_(color)
    {
        setObjectName(QStringLiteral("highlight-color-") + rawValue(color));
        setFixedSize(HighlightColorPicker::tileSide, HighlightColorPicker::tileSide);
        setCheckable(true);
        setFocusPolicy(Qt::TabFocus);
        setToolTip(label(color));
        setAccessibleName(label(color));
        setAttribute(Qt::WA_Hover);
        press_.setDuration(pressDuration);
        press_.setEasingCurve(QEasingCurve::OutCubic);
        press_.setStartValue(0.0);
        press_.setEndValue(1.0);
        connect(&press_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
        connect(this, &QAbstractButton::pressed, this, [this] { animatePress(true); });
        connect(this, &QAbstractButton::released, this, [this] { animatePress(false); });
    }

    // The part of the pressed look shown now, 0 to 1.
    qreal pressAmount() const { return press_.currentValue().toReal(); }

protected:
    // The checked state follows the picker's selection alone; a click only reports.
    void nextCheckState() override {}

    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF tile = QRectF(rect());
        const qreal press = pressAmount();
        const qreal scale = 1 - (1 - pressedScale) * press;
        painter.translate(tile.center());
        painter.scale(scale, scale);
        painter.translate(-tile.center());
        const qreal opacity = static_cast<const HighlightColorPicker *>(parentWidget())->opacity();
        painter.setOpacity(opacity * (1 - (1 - pressedOpacity) * press));

        const QPalette &colours = palette();
        QPainterPath shape;
        shape.addRoundedRect(tile, tileRadius, tileRadius);
        if (isChecked()) {
            painter.fillPath(shape, Theme::primary(colours, 0.10));
        } else if (underMouse() && isEnabled()) {
            painter.fillPath(shape, Theme::primary(colours, 0.05));
        }
        if (isChecked()) {
            QColor ring = Theme::secondary(colours);
            ring.setAlphaF(ring.alphaF() * 0.65);
            painter.setPen(QPen(ring, 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(tile.adjusted(0.5, 0.5, -0.5, -0.5), tileRadius - 0.5,
                                    tileRadius - 0.5);
        }

        const QRectF swatch(tile.center() - QPointF(swatchDiameter / 2, swatchDiameter / 2),
                            QSizeF(swatchDiameter, swatchDiameter));
        painter.setPen(Qt::NoPen);
        painter.setBrush(SystemColors::color(color_));
        painter.drawEllipse(swatch);
        painter.setPen(QPen(Theme::primary(colours, 0.14), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(swatch.adjusted(0.5, 0.5, -0.5, -0.5));

        if (hasFocus()) {
            painter.setOpacity(opacity);
            painter.setPen(QPen(Theme::accent(colours), 1.5));
            painter.drawRoundedRect(tile.adjusted(1, 1, -1, -1), tileRadius - 1, tileRadius - 1);
        }
    }

    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverLeave) {
            update();
        }
        return QAbstractButton::event(event);
    }

private:
    void animatePress(bool down)
    {
        const qreal from = pressAmount();
        press_.stop();
        press_.setStartValue(from);
        press_.setEndValue(down ? 1.0 : 0.0);
        press_.start();
    }

    HighlightColor color_;
    QVariantAnimation press_;
};

} // namespace

HighlightColorPicker::HighlightColorPicker(HighlightColor selection, QWidget *parent)
    : QWidget(parent)
    , selection_(selection)
{
    setObjectName(QStringLiteral("highlight-color-picker"));
    setAccessibleName(QStringLiteral("Highlight color"));
    ScreenReader::setRole(this, QAccessible::Grouping);
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(spacing);
    int index = 0;
    for (const auto &[color, raw] : RawValues<HighlightColor>::cases) {
        Q_UNUSED(raw);
        auto *tile = new HighlightColorChoice(color, this);
        tile->setChecked(color == selection_);
        ScreenReader::setSelected(tile, color == selection_);
        const HighlightColor picked = color;
        connect(tile, &QAbstractButton::clicked, this,
                [this, picked] { emit this->picked(picked); });
        grid->addWidget(tile, index / columns, index % columns);
        tiles_.insert(color, tile);
        ++index;
    }
    setFixedSize(sizeHint());
}

void HighlightColorPicker::setSelection(HighlightColor selection)
{
    selection_ = selection;
    for (auto it = tiles_.cbegin(); it != tiles_.cend(); ++it) {
        it.value()->setChecked(it.key() == selection);
        ScreenReader::setSelected(it.value(), it.key() == selection);
    }
}

void HighlightColorPicker::setOpacity(qreal opacity)
{
    if (opacity_ == opacity) {
        return;
    }
    opacity_ = opacity;
    for (QAbstractButton *tile : std::as_const(tiles_)) {
        tile->update();
    }
}

QSize HighlightColorPicker::sizeHint() const
{
    const int rows = (int(std::size(RawValues<HighlightColor>::cases)) + columns - 1) / columns;
    return {columns * tileSide + (columns - 1) * spacing, rows * tileSide + (rows - 1) * spacing};
}

} // namespace ostrel
