#pragma once

#include "model/HighlightColor.h"

#include <QAbstractButton>
#include <QHash>
#include <QWidget>

namespace ostrel {

// The colour of the rim around restored windows: the ten highlight colours as round swatches in
// two rows of five, 176 × 68 points. Clicking a swatch reports its colour at once; the picker
// shows the colour its host passes back (`setSelection`), never one of its own. A disabled
// picker shows no hover and takes no clicks, and keeps showing the selected swatch.
//
// Assistive technology sees one group, "Highlight color", of toggle buttons named by colour,
// the selected one checked. Object names: "highlight-color-picker", "highlight-color-<raw>".
class HighlightColorPicker : public QWidget {
    Q_OBJECT

public:
    static constexpr int tileSide = 32;
    static constexpr int spacing = 4;
    static constexpr int columns = 5;

    explicit HighlightColorPicker(HighlightColor selection, QWidget *parent = nullptr);

    HighlightColor selection() const { return selection_; }
    void setSelection(HighlightColor selection);

    // The whole picker drawn see-through (a host dims it while it does not apply).
    qreal opacity() const { return opacity_; }
    void setOpacity(qreal opacity);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    // A swatch was clicked (the selected one too).
    void picked(HighlightColor color);

private:
    HighlightColor selection_;
    qreal opacity_ = 1.0;
    QHash<HighlightColor, QAbstractButton *> tiles_;
};

} // namespace ostrel
