#include "program/PlaceholderSettingsContent.h"

#include <QLabel>
#include <QVBoxLayout>

namespace ostrel {

PlaceholderSettingsContent::PlaceholderSettingsContent(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("settings-window"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 28, 28, 28);
    auto *label = new QLabel(QStringLiteral("Settings"), this);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
}

} // namespace ostrel
