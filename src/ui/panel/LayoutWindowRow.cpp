#include "ui/panel/LayoutWindowRow.h"

#include "app/RestoreCoordinator.h"
#include "platform/AppIconView.h"
#include "ui/panel/LineLimitedLabel.h"
#include "ui/panel/PlainText.h"
#include "ui/panel/SymbolButton.h"
#include "ui/panel/UiFont.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace ostrel {

LayoutWindowRow::LayoutWindowRow(const WindowEntry &entry, const QList<DisplaySnapshot> &displays,
                                 AppIconProvider *icons, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("layout-window-row"));
    auto *line = new QHBoxLayout(this);
    line->setContentsMargins(0, 1, 0, 1);
    line->setSpacing(9);
    line->addWidget(new AppIconView(entry.bundleID, 18, icons, this, entry.appName));

    auto *texts = new QVBoxLayout;
    texts->setSpacing(1);
    // One line each, cut with "…": a long host name must not widen the window.
    auto *label = new LineLimitedLabel(entry.label(), 1, this);
    label->setObjectName(QStringLiteral("layout-window-label"));
    label->setFont(UiFont::body());
    label->setAccessibleName(entry.label());
    PlainText::setToolTip(label, entry.label());
    texts->addWidget(label);
    const QString place = displayDescription(entry.displayKey, displays) + QStringLiteral(" · ")
        + entry.geometryDescription();
    auto *where = new LineLimitedLabel(place, 1, this);
    where->setObjectName(QStringLiteral("layout-window-place"));
    where->setFont(UiFont::subheadline());
    where->setTone(ThemeColor::secondary());
    where->setAccessibleName(place);
    texts->addWidget(where);
    line->addLayout(texts, 1);
    line->addSpacing(6);

    removeButton_ = new SymbolButton(QStringLiteral("minus.circle"), 15, ThemeColor::danger(),
                                     QSize(22, 24), this);
    removeButton_->setObjectName(QStringLiteral("remove-window-button"));
    removeButton_->setToolTip(QStringLiteral("Remove this window from the layout"));
    removeButton_->setAccessibleName(QStringLiteral("Remove ") + entry.label());
    line->addWidget(removeButton_);
}

} // namespace ostrel
