#pragma once

#include "platform/OverlayPanel.h"

class QPainter;

namespace ostrel {

// The marker over one candidate window: a green outline and a green badge with the candidate's
// number near the top-left corner.
class MarkerContentView : public OverlayPanel {
    Q_OBJECT

public:
    MarkerContentView(int number, Compositing *compositing);

    int number() const { return number_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    QRegion paintedShape() const override;

private:
    QRectF outline() const;
    QRectF badge() const;
    void drawNumber(QPainter &painter) const;

    const int number_;
};

} // namespace ostrel
