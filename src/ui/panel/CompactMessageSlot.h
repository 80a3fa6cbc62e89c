#pragma once

#include <QString>
#include <QWidget>

#include <optional>

namespace ostrel {

class CompactMessage;

// The place under a control where the model's answer to its last change is shown: hidden while
// there is no message, else a CompactMessage with the slot's fixed summary. The message is made
// anew only when its text changes, so showing the same answer again keeps its details open. The
// message shown is named "slot-message".
class CompactMessageSlot : public QWidget {
    Q_OBJECT

public:
    explicit CompactMessageSlot(const QString &summary, QWidget *parent = nullptr);

    void setMessage(const std::optional<QString> &message);

private:
    QString summary_;
    CompactMessage *shown_ = nullptr;
};

} // namespace ostrel
