#include "ui/panel/TraySection.h"

#include <QVBoxLayout>

namespace ostrel {

TraySection::TraySection(int verticalPadding, QWidget *content, QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, verticalPadding, 0, verticalPadding);
    layout->setSpacing(0);
    // No alignment: a content that can grow fills the width, one that cannot keeps its own
    // width at the leading edge.
    layout->addWidget(content);
    // The section is as tall as its content lets it be: content of a fixed height does not
    // stretch the section, a list that may grow does.
    const bool contentGrows = content->maximumHeight() == QWIDGETSIZE_MAX
        && (content->sizePolicy().verticalPolicy() & QSizePolicy::GrowFlag);
    setSizePolicy(QSizePolicy::Expanding,
                  contentGrows ? content->sizePolicy().verticalPolicy() : QSizePolicy::Fixed);
}

} // namespace ostrel
