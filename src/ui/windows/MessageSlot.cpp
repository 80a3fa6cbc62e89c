#include "ui/windows/MessageSlot.h"

#include "ui/panel/CompactMessage.h"

#include <QVBoxLayout>

namespace ostrel {

MessageSlot::MessageSlot(QString summary, bool alwaysSummarize, QWidget *parent)
    : QWidget(parent)
    , summary_(std::move(summary))
    , alwaysSummarize_(alwaysSummarize)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    hide();
}

void MessageSlot::setMessage(const std::optional<QString> &message)
{
    if (shown_ && (!message || shown_->message() != *message || shown_->summary() != summary_)) {
        delete shown_;
        shown_ = nullptr;
    }
    if (message && !shown_) {
        shown_ = new CompactMessage(*message, summary_, alwaysSummarize_, this);
        shown_->setObjectName(QStringLiteral("slot-message"));
        layout()->addWidget(shown_);
    }
    setVisible(message.has_value());
}

void MessageSlot::setSummary(const QString &summary)
{
    summary_ = summary;
}

} // namespace ostrel
