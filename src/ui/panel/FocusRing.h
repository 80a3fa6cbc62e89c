#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>

namespace ostrel {

// The keyboard focus of a control drawn around it, outside its face and text: an accent ring a
// pixel off its edge, drawn on the control's window, so that it needs no room in the layout and
// reads on a filled button as on a text link. It shows whenever the control has the focus by the
// keyboard or by its window coming forward (a panel that opens with the focus in it), not when a
// click put it there.
class FocusRing final : public QObject {
    Q_OBJECT

public:
    // Space between the control's edge and the ring, and the ring's width.
    static constexpr int gap = 1;
    static constexpr int width = 2;

    // Follows `control` for its life; `radius` is the corner radius of the control's face.
    static void follow(QWidget *control, qreal radius);

    // Where the ring of `control` is drawn now, in its window's coordinates; empty while it
    // shows none.
    static QRect shownAt(const QWidget *control);

    ~FocusRing() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class Ring;

    FocusRing(QWidget *control, qreal radius);
    void place();
    void showRing(bool show);
    void watchAncestors(bool watch);

    QWidget *control_;
    qreal radius_;
    bool wanted_ = false;
    QPointer<Ring> ring_;
};

} // namespace ostrel
