#include "TextContrast.h"

#include "ui/panel/LineLimitedLabel.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontInfo>
#include <QHash>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>

#include <cmath>

namespace ostrel::test {

namespace {

double channel(int value)
{
    const double v = value / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double luminance(QRgb colour)
{
    return 0.2126 * channel(qRed(colour)) + 0.7152 * channel(qGreen(colour))
        + 0.0722 * channel(qBlue(colour));
}

// The text a widget shows, empty for widgets that show none of their own.
QString shownText(const QWidget *widget)
{
    if (const auto *label = qobject_cast<const QLabel *>(widget)) {
        return label->pixmap().isNull() ? label->text() : QString();
    }
    if (const auto *label = qobject_cast<const LineLimitedLabel *>(widget)) {
        return label->text();
    }
    // A check box's or radio button's box would stand in for its text: their labels are
    // measured where they are labels of their own.
    if (qobject_cast<const QCheckBox *>(widget) || qobject_cast<const QRadioButton *>(widget)) {
        return {};
    }
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget)) {
        return button->text();
    }
    return {};
}

bool isLarge(const QWidget *widget)
{
    const QFontInfo font(widget->font());
    return font.pixelSize() >= 24 || (font.bold() && font.pixelSize() >= 19);
}

} // namespace

double contrastRatio(QRgb a, QRgb b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

double measuredContrast(const QImage &picture, const QRect &box, QRgb *background, QRgb *colour)
{
    const QRect area = box.intersected(picture.rect());
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            ++counts[picture.pixel(x, y) | 0xff000000u];
        }
    }
    QRgb common = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            common = it.key();
        }
    }
    QRgb strongest = common;
    double best = 1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        const double ratio = contrastRatio(it.key(), common);
        if (ratio > best) {
            best = ratio;
            strongest = it.key();
        }
    }
    if (background) {
        *background = common;
    }
    if (colour) {
        *colour = strongest;
    }
    return best;
}

QList<TextContrast> textContrasts(const QImage &picture, QWidget *window)
{
    QList<TextContrast> found;
    const qreal ratio = picture.devicePixelRatio();
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        const QString text = shownText(widget).trimmed();
        if (text.isEmpty() || !widget->isVisibleTo(window) || !widget->isEnabled()) {
            continue;
        }
        // Only what shows: a widget scrolled out of view or clipped by its parents is left out.
        const QRect visible = widget->visibleRegion().boundingRect();
        if (visible.width() < 2 || visible.height() < 2) {
            continue;
        }
        const QRect inWindow(widget->mapTo(window, visible.topLeft()), visible.size());
        const QRect box(std::lround(inWindow.x() * ratio), std::lround(inWindow.y() * ratio),
                        std::lround(inWindow.width() * ratio),
                        std::lround(inWindow.height() * ratio));
        TextContrast measured;
        measured.text = text;
        measured.box = box;
        measured.large = isLarge(widget);
        measured.ratio = measuredContrast(picture, box, &measured.background, &measured.colour);
        found.append(measured);
    }
    return found;
}

} // namespace ostrel::test
