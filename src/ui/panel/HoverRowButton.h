#pragma once

#include "ui/panel/HoverRowButtonStyle.h"

#include <QAbstractButton>

namespace ostrel {

// A button whose face is a whole row: the caller gives it the row's content with `setLayout`,
// and the button paints the row highlight of its style behind it. The whole rectangle takes
// clicks and the pointer; the content's labels let clicks through to it.
class HoverRowButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit HoverRowButton(HoverRowButtonStyle style = {}, QWidget *parent = nullptr);

    // Whether the pointer is over the row now.
    bool isHovering() const { return hovering_; }
    // The highlight's current opacity: 0.16 pressed, 0.09 hovering, else 0.
    qreal highlightOpacity() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void hoveringChanged(bool hovering);

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    void setHovering(bool hovering);

    HoverRowButtonStyle style_;
    bool hovering_ = false;
    bool keyboardFocus_ = false;
};

} // namespace ostrel
