#pragma once

#include "ui/illustrations/HairlineGeometry.h"

#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QString>

#include <optional>

namespace ostrel {

// How the keyboard is seen: turned by 45° from above, or straight from the front.
enum class HairlineKeyboardCamera { isometric, front };

// The sixty-key keyboard on its slab. Key-plane coordinates: u along the rows (0 to 210), v
// across them towards the viewer (0 to 70), z up from the slab's top face; projected into the
// design box through the camera.
class KeyboardGeometry {
public:
    struct Key {
        int row = 0; // 0 the farthest row, 4 the nearest
        QString name;
        double x0 = 0;
        double x1 = 0;
        double y0 = 0;
        double y1 = 0;
        double height = 0; // the top face's rest height
        QList<HairlineGeometry::Sample> foot;
        QList<HairlineGeometry::Sample> top;
        QList<HairlineGeometry::Sample> inner;
    };

    // The projected paths of one solid.
    struct Solid {
        QPainterPath silhouette;
        QPainterPath crease;
        QPainterPath bump; // the homing bar of F and J, else empty
    };

    struct Hit {
        int index = 0;
        QPointF at; // the point in the key plane
    };

    explicit KeyboardGeometry(HairlineKeyboardCamera camera);

    // The shared boards of each camera, built on first use.
    static const KeyboardGeometry &board();
    static const KeyboardGeometry &frontBoard();
    static const KeyboardGeometry &of(HairlineKeyboardCamera camera);

    QList<Key> keys;
    int enter = 0;
    Solid base;
    QList<QPointF> tourStops;
    QPointF offset;
    HairlineKeyboardCamera camera;

    QPointF project(double u, double v, double z) const;
    QPointF unproject(QPointF point, double z) const;
    Solid shape(const Key &key, double height) const;
    // The key under a design point; none off the keyboard or for a point that is not finite.
    std::optional<Hit> hit(QPointF point) const;

private:
    struct View {
        double c;
        double s;
        double t;
        double k;
        double azimuth;
    };
    static View viewOf(HairlineKeyboardCamera camera);
    View view_;
};

} // namespace ostrel
