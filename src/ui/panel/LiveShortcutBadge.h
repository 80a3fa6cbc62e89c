#pragma once

#include <QString>
#include <QWidget>

namespace ostrel {

// The preview of a shortcut being recorded: a dot and the text pressed so far, in the accent's
// live colours while the combination can be saved as it is, in warning colours otherwise (no key
// yet, a missing modifier, a reserved combination, or Shift alone, which can be saved but would
// replace ordinary typing).
class LiveShortcutBadge : public QWidget {
    Q_OBJECT

public:
    LiveShortcutBadge(const QString &text, bool isValid, bool isRisky, bool isReserved,
                      QWidget *parent = nullptr);

    void setState(const QString &text, bool isValid, bool isRisky, bool isReserved);

    // What assistive technology reads.
    static QString accessibilityLabel(const QString &text, bool isValid, bool isRisky,
                                      bool isReserved);
    QString accessibilityLabel() const;

    QString text() const { return text_; }
    // Valid and not risky: drawn in the live colours.
    bool isLive() const { return isValid_ && !isRisky_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString text_;
    bool isValid_ = false;
    bool isRisky_ = false;
    bool isReserved_ = false;
};

} // namespace ostrel
