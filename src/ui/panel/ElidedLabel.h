#pragma once

#include "ui/panel/PlainLabel.h"

namespace ostrel {

// A one-line plain-text label that gives up width before anything else in its row and then
// ends its text with "…". Assistive technology still reads the whole text.
class ElidedLabel : public PlainLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(const QString &text = {}, QWidget *parent = nullptr);

    // The text as drawn at the label's width now.
    QString shownText() const;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace ostrel
