#include "ui/panel/CapturedWindowRow.h"

#include "app/RestoreCoordinator.h"
#include "platform/AppIconView.h"
#include "ui/panel/ElidedLabel.h"
#include "ui/panel/SymbolButton.h"
#include "ui/panel/UiFont.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace ostrel {

namespace {

constexpr int iconSize = 18;
constexpr double removeSymbolSize = 15;

} // namespace

CapturedWindowRow::CapturedWindowRow(const WindowEntry &entry,
                                     const QList<DisplaySnapshot> &displays, AppIconProvider *icons,
                                     QWidget *parent)
    : QWidget(parent)
    , entry_(entry)
{
    setObjectName(QStringLiteral("captured-window-row"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 1, 0, 1);
    row->setSpacing(9);

    row->addWidget(new AppIconView(entry.bundleID, iconSize, icons, nullptr, entry.appName), 0,
                   Qt::AlignVCenter);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(1);
    auto *label = new ElidedLabel(entry.label());
    label->setObjectName(QStringLiteral("captured-window-label"));
    label->setFont(UiFont::body());
    texts->addWidget(label);
    auto *detail = new ElidedLabel(placement(entry, displays));
    detail->setObjectName(QStringLiteral("captured-window-placement"));
    detail->setFont(UiFont::subheadline());
    detail->setTone(ThemeColor::secondary());
    texts->addWidget(detail);
    row->addLayout(texts, 1);

    row->addSpacing(6);

    removeButton_ = new SymbolButton(QStringLiteral("minus.circle"), removeSymbolSize,
                                     ThemeColor::secondary(), QSize(22, 24));
    removeButton_->setObjectName(QStringLiteral("remove-captured-window"));
    removeButton_->setToolTip(QStringLiteral("Remove this window from the capture"));
    removeButton_->setAccessibleName(QStringLiteral("Remove ") + entry.label());
    row->addWidget(removeButton_, 0, Qt::AlignVCenter);
    connect(removeButton_, &QAbstractButton::clicked, this,
            [this] { emit removeRequested(entry_.id); });
}

QString CapturedWindowRow::placement(const WindowEntry &entry,
                                     const QList<DisplaySnapshot> &displays)
{
    return displayDescription(entry.displayKey, displays) + QStringLiteral(" · ")
        + entry.geometryDescription();
}

} // namespace ostrel
