#pragma once

#include <QString>
#include <QWidget>

class QLabel;

namespace ostrel {

class DisclosureButton;

// An inline message. A long one (more than 120 characters, counted as the user sees them), one
// with a line feed, or any when `alwaysSummarize` is set, is folded into the one-line `summary`,
// with a "Details" disclosure (collapsed at first) that reveals the full message as selectable
// text. A font or colour set on the control reaches the message and the summary; the disclosure
// keeps its own (11, secondary).
//
// Object names: "compact-message-text" for the label shown first (the message when plain, the
// summary when folded); with details, "compact-message-details" for the disclosure and
// "compact-message-details-text" for the full message.
class CompactMessage : public QWidget {
    Q_OBJECT

public:
    static constexpr int plainLimit = 120;

    CompactMessage(const QString &message, const QString &summary, bool alwaysSummarize = false,
                   QWidget *parent = nullptr);

    // The folding rule.
    static bool folds(const QString &message, bool alwaysSummarize);
    // User-perceived characters (grapheme clusters).
    static int characterCount(const QString &text);

    QString message() const { return message_; }
    QString summary() const { return summary_; }
    bool isFolded() const { return folded_; }

    // Folded with a message: the disclosure and whether it is open.
    bool hasDetails() const;
    bool isExpanded() const;
    void setExpanded(bool expanded);

private:
    QString message_;
    QString summary_;
    bool folded_;
    QLabel *primary_ = nullptr;
    DisclosureButton *disclosure_ = nullptr;
    QLabel *details_ = nullptr;
};

} // namespace ostrel
