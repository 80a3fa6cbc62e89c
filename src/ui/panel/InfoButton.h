#pragma once

#include <QAbstractButton>
#include <QPointer>

class QFrame;

namespace ostrel {

// A small "info.circle" button that explains something: the text is its tooltip and, after a
// click, a popover below the button that an outside click (or a second click on the button)
// closes. `label` is what assistive technology calls the button.
class InfoButton : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int popoverWidth = 260;
    static constexpr int popoverPadding = 14;

    InfoButton(const QString &text, const QString &label, QWidget *parent = nullptr);

    QString explanation() const { return explanation_; }
    void setExplanation(const QString &text);
    void setLabel(const QString &label);

    bool isShown() const;
    void setShown(bool shown);
    // The popover while it is open.
    QFrame *popover() const { return popover_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void shownChanged(bool shown);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void openPopover();

    QString explanation_;
    QPointer<QFrame> popover_;
};

} // namespace ostrel
