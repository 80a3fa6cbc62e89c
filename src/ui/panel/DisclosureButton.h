#pragma once

#include "ui/panel/ThemeColor.h"

#include <QAbstractButton>

namespace ostrel {

// The label of a disclosure group: a chevron (right while collapsed, down while expanded)
// and a title; checked means expanded. It draws in its own font and colour.
class DisclosureButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit DisclosureButton(const QString &title, QWidget *parent = nullptr);

    void setTone(ThemeColor tone);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ThemeColor tone_ = ThemeColor::primary();
};

} // namespace ostrel
