#pragma once

#include <QString>
#include <QWidget>

#include <optional>

namespace ostrel {

class CompactMessage;

// Where a page shows one inline message with its fixed summary: hidden while there is none. The
// message is made anew only when its text changes, so a refresh keeps its details open.
class MessageSlot : public QWidget {
    Q_OBJECT

public:
    MessageSlot(QString summary, bool alwaysSummarize, QWidget *parent = nullptr);

    void setMessage(const std::optional<QString> &message);
    // The summary of the messages shown from now on.
    void setSummary(const QString &summary);
    CompactMessage *message() const { return shown_; }

private:
    QString summary_;
    bool alwaysSummarize_;
    CompactMessage *shown_ = nullptr;
};

} // namespace ostrel
