#pragma once

#include <QMargins>
#include <QString>

#include <functional>
#include <optional>

class QAbstractButton;
class QBoxLayout;
class QPushButton;
class QWidget;

namespace ostrel {

class PanelButton;

// The foot of a decision window, below a hairline: Cancel at the leading edge (or a hint, in a
// window without Cancel), then at the trailing edge what the window adds, its primary button and
// Close. The primary button shows while the window has something to decide, Close otherwise.
// Cancel, Close and Escape dismiss the window, the primary button and Return confirm it; the keys
// press the buttons, which do nothing while disabled or hidden.
class DecisionFooter {
public:
    struct Setup {
        // The buttons' object names are the prefix and "-cancel", "-close", and `primaryName`.
        QString name;
        bool cancel = true;
        // The primary button; none in a window that only closes.
        std::optional<QString> primaryTitle;
        QString primaryName;
        // At the leading edge in place of Cancel, and before the primary button.
        QWidget *leading = nullptr;
        QWidget *trailing = nullptr;
        QMargins margins{20, 14, 20, 14};
        // Between the footer's parts; -1 leaves the style's spacing.
        int spacing = 10;
    };

    // Adds the hairline and the footer to the bottom of the column of `view`, the window's
    // content, whose keys they become.
    DecisionFooter(QWidget *view, QBoxLayout *column, const Setup &setup,
                   std::function<void()> dismiss, std::function<void()> confirm = {});
    DecisionFooter(const DecisionFooter &) = delete;
    DecisionFooter &operator=(const DecisionFooter &) = delete;

    PanelButton *primary() const { return primary_; }

    // Whether the window shows something to decide: its primary button, else Close.
    void showDecision(bool deciding);
    // Another button that dismisses the window (the Close of an empty state).
    void dismissWith(QAbstractButton *button);

private:
    QWidget *view_;
    std::function<void()> dismiss_;
    QPushButton *cancel_ = nullptr;
    PanelButton *primary_ = nullptr;
    QPushButton *close_ = nullptr;
};

} // namespace ostrel
