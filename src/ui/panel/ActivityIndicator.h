#pragma once

#include "ui/panel/ThemeColor.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

namespace ostrel {

// An indeterminate progress indicator: twelve spokes in a circle, the brightest one stepping
// round once a second. It turns only while it is on screen. Decorative: the text beside it
// says what is going on.
class ActivityIndicator : public QWidget {
    Q_OBJECT

public:
    explicit ActivityIndicator(int size, ThemeColor colour = ThemeColor::secondary(),
                               QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    int size_;
    ThemeColor colour_;
    QTimer ticks_;
    QElapsedTimer elapsed_;
};

} // namespace ostrel
