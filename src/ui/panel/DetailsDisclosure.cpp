#include "ui/panel/DetailsDisclosure.h"

#include "ui/panel/DisclosureButton.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/SectionLabel.h"
#include "ui/panel/UiFont.h"

#include <QFontDatabase>
#include <QVBoxLayout>

namespace ostrel {

DetailsDisclosure::DetailsDisclosure(QWidget *parent)
    : QWidget(parent)
    , button_(new DisclosureButton(QStringLiteral("Details")))
    , content_(new QWidget)
    , lines_(new QVBoxLayout(content_))
{
    button_->setObjectName(QStringLiteral("details-button"));
    content_->setObjectName(QStringLiteral("details-content"));
    button_->setFont(UiFont::system(10.5));
    button_->setTone(ThemeColor::secondary());
    lines_->setContentsMargins(0, 0, 0, 0);
    lines_->setSpacing(4);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(button_, 0, Qt::AlignLeft);
    layout->addWidget(content_);
    content_->hide();
    connect(button_, &QAbstractButton::toggled, content_, &QWidget::setVisible);
}

PlainLabel *DetailsDisclosure::addLine(const QString &text, bool monospaced)
{
    PlainLabel *line =
        sectionLabel(text, 10.5, QFont::Normal, ThemeColor::secondary(), Wrapping::wraps);
    if (monospaced) {
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(UiFont::system(10).pointSizeF());
        line->setFont(font);
    }
    makeSelectable(line);
    lines_->addWidget(line);
    return line;
}

void DetailsDisclosure::clearLines()
{
    while (QLayoutItem *item = lines_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

bool DetailsDisclosure::isExpanded() const
{
    return button_->isChecked();
}

void DetailsDisclosure::setExpanded(bool expanded)
{
    button_->setChecked(expanded);
}

} // namespace ostrel
