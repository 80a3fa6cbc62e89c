#pragma once

#include <QCheckBox>

namespace ostrel {

// The switch of a form's toggle row: a check box drawn as a switch (a capsule that fills with the
// accent and a knob that slides to the trailing end when on), with no text of its own; the row's
// label names it, so give it an accessible name. Assistive technology sees a check box.
class ToggleSwitch : public QCheckBox {
    Q_OBJECT

public:
    static constexpr int trackWidth = 32;
    static constexpr int trackHeight = 18;

    explicit ToggleSwitch(QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &position) const override;
};

} // namespace ostrel
