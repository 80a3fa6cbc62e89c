#pragma once

#include <QWidget>

class QVBoxLayout;

namespace ostrel {

// A rounded, faintly filled and outlined surface behind arbitrary content: the content sits in
// a column with `padding` on every side, centred unless a widget is added to fill the width
// (alignment 0, as a list row does).
class GroupedSurface : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal cornerRadius = 12;

    explicit GroupedSurface(int padding, QWidget *parent = nullptr);

    QVBoxLayout *contentLayout() const { return layout_; }
    void addWidget(QWidget *widget, Qt::Alignment alignment = Qt::AlignHCenter);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QVBoxLayout *layout_;
};

} // namespace ostrel
