#pragma once

#include "ui/panel/ThemeColor.h"

#include <QLabel>

#include <optional>

namespace ostrel {

// A label that always shows its text literally (Qt::PlainText), optionally in one of the
// theme's colours (the secondary style of a message, the warning orange of a note). The colour
// is resolved again whenever the palette around it changes, so an appearance switch reaches it.
class PlainLabel : public QLabel {
    Q_OBJECT

public:
    explicit PlainLabel(const QString &text = {}, QWidget *parent = nullptr);

    // The text colour; none keeps the inherited window text colour.
    void setTone(std::optional<ThemeColor> tone);
    std::optional<ThemeColor> tone() const { return tone_; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void applyTone();

    std::optional<ThemeColor> tone_;
    bool applying_ = false;
};

} // namespace ostrel
