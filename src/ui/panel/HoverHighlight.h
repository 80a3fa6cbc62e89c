#pragma once

#include <QObject>

class QWidget;

namespace ostrel {

// The hover feedback of a small control: a rounded background in the theme's hover colour, in
// the control's own bounds, shown while the pointer is over it and never while it is disabled.
// It paints before the control does, so the control's face lies on top. Owned by the control.
class HoverHighlight : public QObject {
    Q_OBJECT

public:
    HoverHighlight(QWidget *control, qreal cornerRadius);

    static HoverHighlight *of(const QWidget *control);

    qreal cornerRadius() const { return cornerRadius_; }
    bool isHovering() const { return hovering_; }
    // Whether the background is drawn now.
    bool isShowing() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend HoverHighlight *ostrelHover(QWidget *control, qreal cornerRadius);

    QWidget *control_;
    qreal cornerRadius_;
    bool hovering_ = false;
};

// Gives `control` the hover highlight (once; a second call changes nothing but the radius).
HoverHighlight *ostrelHover(QWidget *control, qreal cornerRadius);

} // namespace ostrel
