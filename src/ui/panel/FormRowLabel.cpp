#include "ui/panel/FormRowLabel.h"

#include "ui/panel/InfoButton.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/UiFont.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace ostrel {

FormRowLabel::FormRowLabel(const QString &title, std::optional<QString> subtitle,
                           std::optional<QString> info, QWidget *parent)
    : QWidget(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    auto *row = new QHBoxLayout;
    row->setSpacing(5);
    title_ = new PlainLabel(title);
    title_->setObjectName(QStringLiteral("form-row-title"));
    row->addWidget(title_);
    if (info) {
        info_ = new InfoButton(*info, QString());
        row->addWidget(info_, 0, Qt::AlignVCenter);
    }
    row->addStretch(1);
    column->addLayout(row);
    if (subtitle) {
        auto *label = new PlainLabel(*subtitle);
        label->setObjectName(QStringLiteral("form-row-subtitle"));
        label->setFont(UiFont::subheadline());
        label->setTone(ThemeColor::secondary());
        label->setWordWrap(true);
        subtitle_ = label;
        column->addWidget(subtitle_);
    }
    setTitle(title);
}

void FormRowLabel::setTitle(const QString &title)
{
    title_->setText(title);
    if (info_) {
        info_->setLabel(QStringLiteral("More information about ") + title);
    }
}

void FormRowLabel::setSubtitle(const QString &subtitle)
{
    if (subtitle_) {
        subtitle_->setText(subtitle);
    }
}

} // namespace ostrel
