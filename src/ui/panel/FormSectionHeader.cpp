#include "ui/panel/FormSectionHeader.h"

#include "ui/panel/ScreenReader.h"
#include "ui/panel/GroupedSurface.h"
#include "ui/panel/InfoButton.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/UiFont.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace ostrel {

FormSectionHeader::FormSectionHeader(const QString &title, std::optional<QString> detail,
                                     std::optional<QString> info, std::optional<ThemeColor> tint,
                                     QWidget *parent)
    : QWidget(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 2);
    column->setSpacing(3);
    auto *row = new QHBoxLayout;
    row->setSpacing(5);
    auto *titleLabel = new PlainLabel(title);
    titleLabel->setObjectName(QStringLiteral("form-section-title"));
    titleLabel->setFont(UiFont::headline());
    titleLabel->setTone(tint.value_or(ThemeColor::primary()));
    ScreenReader::setRole(titleLabel, QAccessible::Heading);
    title_ = titleLabel;
    row->addWidget(title_);
    if (info) {
        info_ = new InfoButton(*info, QString());
        row->addWidget(info_, 0, Qt::AlignVCenter);
    }
    row->addStretch(1);
    column->addLayout(row);
    if (detail) {
        auto *label = new PlainLabel(*detail);
        label->setObjectName(QStringLiteral("form-section-detail"));
        label->setFont(UiFont::callout());
        label->setTone(ThemeColor::secondary());
        label->setWordWrap(true);
        detail_ = label;
        column->addWidget(detail_);
    }
    setTitle(title);
}

void FormSectionHeader::setTitle(const QString &title)
{
    title_->setText(title);
    if (info_) {
        info_->setLabel(QStringLiteral("More information about ") + title);
    }
}

QWidget *headedSection(FormSectionHeader *header, GroupedSurface *surface, int spacing,
                       QWidget *footer, QWidget *parent)
{
    auto *section = new QWidget(parent);
    auto *column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    if (header) {
        column->addWidget(header);
    }
    column->addWidget(surface);
    if (footer) {
        column->addWidget(footer);
    }
    return section;
}

} // namespace ostrel
