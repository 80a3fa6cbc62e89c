#pragma once

#include "model/WindowEntry.h"

#include <QList>
#include <QPointF>
#include <QWidget>

namespace ostrel {

class AppIconProvider;
// The picture of a layout in the panel: the application icons of its first three saved windows
// fanned out like a hand of cards (one window: a single upright icon), or the "macwindow" symbol
// when it has none. Decorative: assistive technology skips it.
class TrayLayoutIcons : public QWidget {
    Q_OBJECT

public:
    static constexpr int maximumDrawn = 3;
    static constexpr int frameHeight = 36;

    // Where one icon of the fan lies.
    struct Placement {
        int size = 0;
        // Degrees, clockwise; negative turns anticlockwise.
        qreal rotation = 0;
        // The icon's top left before turning, in the widget (the turn is about its centre).
        QPointF topLeft;

        bool operator==(const Placement &) const = default;
    };

    // Without `icons` (which must outlive the picture) every application shows its stand-in.
    TrayLayoutIcons(const QList<WindowEntry> &entries, AppIconProvider *icons,
                    QWidget *parent = nullptr);

    // The frame for a layout with `entryCount` entries.
    static QSize frameSize(qsizetype entryCount);
    // The icons drawn for that many entries, in z-order (later ones above).
    static QList<Placement> placements(qsizetype entryCount);

    const QList<WindowEntry> &entries() const { return entries_; }
    // The bundle identifiers whose icons are drawn, in order.
    QStringList drawnBundleIDs() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<WindowEntry> entries_;
    AppIconProvider *icons_;
};

} // namespace ostrel
