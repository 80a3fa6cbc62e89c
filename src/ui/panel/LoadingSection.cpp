#include "ui/panel/LoadingSection.h"

#include "ui/panel/ActivityIndicator.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/SectionLabel.h"
#include "ui/panel/TrayContentPadding.h"

#include <QHBoxLayout>

namespace ostrel {

LoadingSection::LoadingSection(const ViewEnvironment &environment, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("loading-section"));
    auto *layout = new QHBoxLayout(this);
    trayContentPadding(layout, 8);
    layout->setSpacing(8);
    layout->addWidget(
        new ActivityIndicator(ActivityIndicator::smallSize, ThemeColor::secondary(), environment));
    PlainLabel *text = sectionLabel(QStringLiteral("Loading layouts…"), 12, QFont::Normal,
                                    ThemeColor::secondary());
    text->setAccessibleName(QStringLiteral("Loading layouts"));
    layout->addWidget(text);
    layout->addStretch(1);
}

} // namespace ostrel
