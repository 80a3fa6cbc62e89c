#include "ui/panel/TrayLayoutIcons.h"

#include "platform/AppIconProvider.h"
#include "ui/panel/Accessibility.h"
#include "ui/panel/Symbols.h"
#include "ui/panel/Theme.h"

#include <QPainter>

#include <cmath>

namespace ostrel {

namespace {

constexpr int emptyWidth = 24;
constexpr int singleSize = 32;
constexpr int fannedSize = 26;
constexpr qreal rotationStep = 10;
constexpr qreal horizontalStep = 9;
constexpr qreal verticalDrop = 2;
constexpr double emptySymbolSize = 24;

} // namespace

TrayLayoutIcons::TrayLayoutIcons(const QList<WindowEntry> &entries, AppIconProvider *icons,
                                 QWidget *parent)
    : QWidget(parent)
    , entries_(entries)
    , icons_(icons)
{
    setFixedSize(frameSize(entries.size()));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    Accessibility::hide(this);
}

QSize TrayLayoutIcons::frameSize(qsizetype entryCount)
{
    if (entryCount <= 0) {
        return QSize(emptyWidth, frameHeight);
    }
    if (entryCount == 1) {
        return QSize(singleSize, frameHeight);
    }
    const qsizetype drawn = std::min<qsizetype>(entryCount, maximumDrawn);
    return QSize(int(fannedSize + horizontalStep * qreal(drawn - 1)), frameHeight);
}

QList<TrayLayoutIcons::Placement> TrayLayoutIcons::placements(qsizetype entryCount)
{
    QList<Placement> result;
    const qsizetype drawn = std::min<qsizetype>(std::max<qsizetype>(entryCount, 0), maximumDrawn);
    if (drawn == 1) {
        result.append({singleSize, 0, QPointF(0, (frameHeight - singleSize) / 2.0)});
        return result;
    }
    // The stack is one icon's square at the leading edge, centred vertically; each icon is moved
    // from there and turned about its own centre.
    const qreal top = (frameHeight - fannedSize) / 2.0;
    for (qsizetype i = 0; i < drawn; ++i) {
        const qreal step = qreal(i) - qreal(drawn - 1) / 2.0;
        result.append({fannedSize, rotationStep * step,
                       QPointF(horizontalStep * qreal(i), top + verticalDrop * std::abs(step))});
    }
    return result;
}

QStringList TrayLayoutIcons::drawnBundleIDs() const
{
    QStringList ids;
    for (qsizetype i = 0; i < std::min<qsizetype>(entries_.size(), maximumDrawn); ++i) {
        ids.append(entries_[i].bundleID);
    }
    return ids;
}

QSize TrayLayoutIcons::sizeHint() const
{
    return frameSize(entries_.size());
}

void TrayLayoutIcons::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (entries_.isEmpty()) {
        const int side = Symbols::side(emptySymbolSize);
        const QRectF square((width() - side) / 2.0, (height() - side) / 2.0, side, side);
        Symbols::paint(painter, square, QStringLiteral("macwindow"), Theme::secondary(palette()));
        return;
    }
    const QStringList ids = drawnBundleIDs();
    const QList<Placement> fan = placements(entries_.size());
    for (qsizetype i = 0; i < fan.size(); ++i) {
        const Placement &place = fan[i];
        const int pixels = int(std::ceil(place.size * devicePixelRatioF()));
        const std::optional<QImage> icon = icons_ ? icons_->icon(ids[i], pixels) : std::nullopt;
        const QImage image = icon ? *icon : AppIconProvider::standIn(place.size * 2, ids[i]);
        const QRectF square(place.topLeft, QSizeF(place.size, place.size));
        painter.save();
        painter.translate(square.center());
        painter.rotate(place.rotation);
        painter.drawImage(QRectF(-place.size / 2.0, -place.size / 2.0, place.size, place.size),
                          image);
        painter.restore();
    }
}

} // namespace ostrel
