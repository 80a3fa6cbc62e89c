#pragma once

#include <QButtonGroup>
#include <QList>
#include <QRadioButton>
#include <QStringList>
#include <QWidget>

namespace ostrel {

// A segmented control: one choice of a few, the segments side by side in one rounded bar of
// equal parts (wider than asked when a label needs it), the chosen one raised. Choosing a segment
// reports its index; the picker shows the index its host passes back. Assistive technology sees a
// group named by the picker's title holding radio buttons named by the segments. Object names:
// "segment-0", "segment-1", … in the segments' order.
class SegmentedPicker : public QWidget {
    Q_OBJECT

public:
    SegmentedPicker(const QString &title, const QStringList &segments, int width,
                    QWidget *parent = nullptr);

    int currentIndex() const;
    void setCurrentIndex(int index);
    qsizetype count() const { return segments_.size(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    // A segment was chosen by the user (by a click, the keyboard or assistive technology).
    void chosen(int index);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int width_;
    bool settingIndex_ = false;
    QButtonGroup group_;
    QList<QRadioButton *> segments_;
};

} // namespace ostrel
