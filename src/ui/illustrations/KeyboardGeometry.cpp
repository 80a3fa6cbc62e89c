#include "ui/illustrations/KeyboardGeometry.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace ostrel {

namespace {

using HairlineGeometry::Sample;

constexpr double scale = 1.42;
constexpr double keyUnit = 14;
constexpr double rowHeights[5] = {12.6, 11.3, 10.4, 11.0, 11.8};

struct Width {
    double units;
    QString name;
};

QList<Width> letters(const QString &row)
{
    QList<Width> result;
    for (const QString &piece : row.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        result.push_back({1.0, QStringLiteral("key ") + piece});
    }
    return result;
}

QList<QList<Width>> rows()
{
    QList<QList<Width>> result(5);
    result[0] = {{1.0, QStringLiteral("esc")}};
    result[0] += letters(QStringLiteral("1 2 3 4 5 6 7 8 9 0 - ="));
    result[0].push_back({2.0, QStringLiteral("bksp")});
    result[1] = {{1.5, QStringLiteral("tab")}};
    result[1] += letters(QStringLiteral("q w e r t y u i o p [ ]"));
    result[1].push_back({1.5, QStringLiteral("key \\")});
    result[2] = {{1.75, QStringLiteral("caps")}};
    result[2] += letters(QStringLiteral("a s d f g h j k l ; '"));
    result[2].push_back({2.25, QStringLiteral("enter")});
    result[3] = {{2.25, QStringLiteral("shift l")}};
    result[3] += letters(QStringLiteral("z x c v b n m , . /"));
    result[3].push_back({2.75, QStringLiteral("shift r")});
    result[4] = {{1.5, QStringLiteral("ctrl l")}, {1.0, QStringLiteral("super")},
                 {1.5, QStringLiteral("alt l")},  {7.0, QStringLiteral("space")},
                 {1.5, QStringLiteral("alt r")},  {1.0, QStringLiteral("fn")},
                 {1.5, QStringLiteral("ctrl r")}};
    return result;
}

// A ring whose corner centres lie `centreInset` inside the cell.
QList<Sample> cellRing(const KeyboardGeometry::Key &key, double centreInset, double radius)
{
    return HairlineGeometry::ringAround(key.x0 + centreInset, key.x1 - centreInset,
                                        key.y0 + centreInset, key.y1 - centreInset, radius, 5);
}

} // namespace

KeyboardGeometry::View KeyboardGeometry::viewOf(HairlineKeyboardCamera camera)
{
    if (camera == HairlineKeyboardCamera::front) {
        return {1.0, 0, 0.85, 0.526782687642637, 0};
    }
    return {0.7071067811865476, 0.7071067811865475, 0.5, 0.8660254037844386, 0.7853981633974483};
}

KeyboardGeometry::KeyboardGeometry(HairlineKeyboardCamera camera)
    : camera(camera)
    , view_(viewOf(camera))
{
    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
    for (const auto &[u, v, z] : {std::array{-6.0, -6.0, -8.0}, std::array{216.0, 76.0, -8.0},
                                  std::array{216.0, -6.0, -8.0}, std::array{-6.0, 76.0, -8.0},
                                  std::array{0.0, 0.0, 12.6}}) {
        const QPointF p = project(u, v, z); // the offset is still (0, 0)
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    offset = QPointF(200 - (minX + maxX) / 2, 166 - (minY + maxY) / 2);

    const auto projected = [&](const QList<Sample> &ring, double z) {
        QList<QPointF> points;
        points.reserve(ring.size());
        for (const Sample &s : ring) {
            points.push_back(project(s.u, s.v, z));
        }
        return points;
    };
    const auto outer = HairlineGeometry::ringAround(3, 207, 3, 67, 9, 5);
    const auto crease = HairlineGeometry::ringAround(3, 207, 3, 67, 6.8, 5);
    QList<QPointF> slab = projected(outer, -8);
    slab += projected(outer, 0);
    base.silhouette = HairlineGeometry::path(HairlineGeometry::hull(slab), true);
    base.crease = HairlineGeometry::path(
        projected(HairlineGeometry::frontRun(crease, view_.azimuth), 0), false);
    base.bump.setFillRule(Qt::WindingFill);

    const auto layout = rows();
    for (int row = 0; row < 5; ++row) {
        double x = 0;
        for (const Width &width : layout[row]) {
            Key key;
            key.row = row;
            key.name = width.name;
            key.x0 = keyUnit * x;
            key.x1 = keyUnit * (x + width.units);
            key.y0 = keyUnit * row;
            key.y1 = keyUnit * row + keyUnit;
            key.height = rowHeights[row];
            key.foot = cellRing(key, 3.4, 2.6);
            key.top = cellRing(key, 4.6, 2.0);
            key.inner = cellRing(key, 4.7, 1.2);
            keys.push_back(key);
            x += width.units;
        }
    }
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (keys[i].name == QStringLiteral("enter")) {
            enter = static_cast<int>(i);
            break;
        }
    }
    for (const QString &name :
         {QStringLiteral("enter"), QStringLiteral("space"), QStringLiteral("key w")}) {
        for (const Key &key : keys) {
            if (key.name == name) {
                tourStops.push_back(
                    project((key.x0 + key.x1) / 2, (key.y0 + key.y1) / 2, key.height));
                break;
            }
        }
    }
}

const KeyboardGeometry &KeyboardGeometry::board()
{
    static const KeyboardGeometry shared(HairlineKeyboardCamera::isometric);
    return shared;
}

const KeyboardGeometry &KeyboardGeometry::frontBoard()
{
    static const KeyboardGeometry shared(HairlineKeyboardCamera::front);
    return shared;
}

const KeyboardGeometry &KeyboardGeometry::of(HairlineKeyboardCamera camera)
{
    return camera == HairlineKeyboardCamera::front ? frontBoard() : board();
}

QPointF KeyboardGeometry::project(double u, double v, double z) const
{
    const View &w = view_;
    return {offset.x() + scale * (w.c * u - w.s * v),
            offset.y() + scale * (w.t * (w.s * u + w.c * v) - w.k * z)};
}

QPointF KeyboardGeometry::unproject(QPointF point, double z) const
{
    const View &w = view_;
    const double x = (point.x() - offset.x()) / scale;
    const double y = ((point.y() - offset.y()) / scale + w.k * z) / w.t;
    return {w.c * x + w.s * y, w.c * y - w.s * x};
}

KeyboardGeometry::Solid KeyboardGeometry::shape(const Key &key, double height) const
{
    QList<QPointF> points;
    points.reserve(key.foot.size() + key.top.size());
    for (const Sample &s : key.foot) {
        points.push_back(project(s.u, s.v, 1));
    }
    for (const Sample &s : key.top) {
        points.push_back(project(s.u, s.v, height));
    }
    Solid solid;
    solid.silhouette = HairlineGeometry::path(HairlineGeometry::hull(points), true);
    QList<QPointF> rim;
    for (const Sample &s : HairlineGeometry::frontRun(key.inner, view_.azimuth)) {
        rim.push_back(project(s.u, s.v, height));
    }
    solid.crease = HairlineGeometry::path(rim, false);
    solid.bump.setFillRule(Qt::WindingFill);
    if (key.name == QStringLiteral("key f") || key.name == QStringLiteral("key j")) {
        const double middle = (key.x0 + key.x1) / 2;
        solid.bump.moveTo(project(middle - 2.2, key.y1 - 5, height));
        solid.bump.lineTo(project(middle + 2.2, key.y1 - 5, height));
    }
    return solid;
}

std::optional<KeyboardGeometry::Hit> KeyboardGeometry::hit(QPointF point) const
{
    // Not finite would pass every range test below and reach the row's integer conversion.
    if (!std::isfinite(point.x()) || !std::isfinite(point.y())) {
        return std::nullopt;
    }
    const auto keyAt = [&](int row, QPointF at) -> std::optional<Hit> {
        for (qsizetype i = 0; i < keys.size(); ++i) {
            const Key &key = keys[i];
            if (key.row == row && key.x0 <= at.x() && at.x() < key.x1) {
                return Hit{static_cast<int>(i), at};
            }
        }
        return std::nullopt;
    };
    for (int row = 4; row >= 0; --row) {
        const QPointF at = unproject(point, rowHeights[row]);
        if (at.y() >= keyUnit * row && at.y() < keyUnit * row + keyUnit && at.x() >= 0
            && at.x() < 210) {
            if (auto found = keyAt(row, at)) {
                return found;
            }
        }
    }
    const QPointF at = unproject(point, 10.4);
    if (at.x() < -6 || at.x() > 216 || at.y() < -6 || at.y() > 76) {
        return std::nullopt;
    }
    const QPointF clamped(std::clamp(at.x(), 0.0, 209.99), std::clamp(at.y(), 0.0, 69.99));
    return keyAt(static_cast<int>(clamped.y() / keyUnit), clamped);
}

} // namespace ostrel
