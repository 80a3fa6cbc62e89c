#include "ui/panel/Announcer.h"

#include <QAccessible>
#include <QLabel>

namespace ostrel {

Announcer::Announcer(QObject *parent)
    : QObject(parent)
    , label_(std::make_unique<QLabel>())
{
    label_->setObjectName(QStringLiteral("ostrel-announcer"));
    label_->setTextFormat(Qt::PlainText);
    label_->hide();
}

Announcer::~Announcer() = default;

void Announcer::announce(const QString &text)
{
    if (text.isEmpty()) {
        return;
    }
    announcements_.append(text);
    label_->setText(text);
    label_->setAccessibleName(text);
    QAccessibleEvent alert(label_.get(), QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
    QAccessibleEvent nameChanged(label_.get(), QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChanged);
    emit announced(text);
}

} // namespace ostrel
