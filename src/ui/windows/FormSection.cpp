#include "ui/windows/FormSection.h"

#include "ui/panel/Divider.h"
#include "ui/panel/GroupedSurface.h"
#include "ui/panel/OverlayScrolling.h"

#include <QScrollArea>
#include <QVBoxLayout>

namespace ostrel {

namespace {

constexpr int headerInset = 12;
constexpr int rowHorizontalPadding = 12;
constexpr int rowVerticalPadding = 9;
constexpr int sectionSpacing = 18;
// The overlay scroll bar's strip is the trailing margin, so the leading one matches both.
constexpr int leadingMargin = 20;
constexpr int trailingMargin = 10;

} // namespace

FormSection::FormSection(QWidget *header, QWidget *parent)
    : QWidget(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    if (header) {
        auto *inset = new QVBoxLayout;
        inset->setContentsMargins(headerInset, 0, headerInset, 0);
        inset->addWidget(header);
        column->addLayout(inset);
    }
    surface_ = new GroupedSurface(0);
    surface_->contentLayout()->setSpacing(0);
    column->addWidget(surface_);
}

QWidget *FormSection::addRow(QWidget *row)
{
    QWidget *made = place(row, rows_ == 0);
    surface_->addWidget(made, {});
    ++rows_;
    return made;
}

QWidget *FormSection::place(QWidget *row, bool first)
{
    auto *place = new QWidget;
    auto *column = new QVBoxLayout(place);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    if (!first) {
        auto *inset = new QHBoxLayout;
        inset->setContentsMargins(rowHorizontalPadding, 0, rowHorizontalPadding, 0);
        inset->addWidget(new Divider);
        column->addLayout(inset);
    }
    // Padded from outside: a check box, for one, draws itself at its own origin whatever its
    // margins say.
    auto *padded = new QVBoxLayout;
    padded->setContentsMargins(rowHorizontalPadding, rowVerticalPadding, rowHorizontalPadding,
                               rowVerticalPadding);
    padded->addWidget(row);
    column->addLayout(padded);
    return place;
}

void FormSection::addPlaces(QWidget *column)
{
    surface_->addWidget(column, {});
    ++rows_;
}

FormColumn::FormColumn(QWidget *parent)
    : QWidget(parent)
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("form-scroll"));
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *content = new QWidget;
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(leadingMargin, 4, trailingMargin, 18);
    column->setSpacing(sectionSpacing);
    sections_ = new QVBoxLayout;
    sections_->setContentsMargins(0, 0, 0, 0);
    sections_->setSpacing(sectionSpacing);
    column->addLayout(sections_);
    column->addStretch(1);
    scroll->setWidget(content);
    overlayScrolling(scroll);
    outer->addWidget(scroll);
}

void FormColumn::addSection(QWidget *section)
{
    sections_->addWidget(section);
}

void FormColumn::clear()
{
    while (QLayoutItem *item = sections_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

} // namespace ostrel
