#pragma once

#include <QString>
#include <QWidget>

#include <optional>

namespace ostrel {

class CompactMessage;

// Where a page shows one inline message with its fixed summary: hidden while there is none. The
// message is made anew only when its text changes, so a refresh keeps its details open. The
// message shown is named "slot-message".
class MessageSlot : public QWidget {
    Q_OBJECT

public:
    MessageSlot(QString summary, bool alwaysSummarize, QWidget *parent = nullptr);

    void setMessage(const std::optional<QString> &message);
    // The summary of the messages shown from now on.
    void setSummary(const QString &summary);

private:
    QString summary_;
    bool alwaysSummarize_;
    CompactMessage *shown_ = nullptr;
};

} // namespace ostrel
