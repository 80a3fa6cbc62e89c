#pragma once

#include <QWidget>

namespace ostrel {

// A hairline across the width: the separator colour (the primary colour at 10 %), dimmed further
// by `opacity`, drawn from the palette at paint time.
class Divider : public QWidget {
    Q_OBJECT

public:
    explicit Divider(qreal opacity = 1.0, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal opacity_;
};

} // namespace ostrel
