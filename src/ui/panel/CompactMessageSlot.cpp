#include "ui/panel/CompactMessageSlot.h"

#include "ui/panel/CompactMessage.h"
#include "ui/panel/UiFont.h"

#include <QVBoxLayout>

namespace ostrel {

CompactMessageSlot::CompactMessageSlot(const QString &summary, QWidget *parent)
    : QWidget(parent)
    , summary_(summary)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    setFont(UiFont::callout());
    hide();
}

void CompactMessageSlot::setMessage(const std::optional<QString> &message)
{
    if (shown_ && (!message || shown_->message() != *message)) {
        delete shown_;
        shown_ = nullptr;
    }
    if (message && !shown_) {
        shown_ = new CompactMessage(*message, summary_, false, this);
        shown_->setObjectName(QStringLiteral("slot-message"));
        layout()->addWidget(shown_);
    }
    setVisible(message.has_value());
}

} // namespace ostrel
