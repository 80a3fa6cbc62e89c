#include "ui/windows/ApplicationPicker.h"

#include "platform/AppIconProvider.h"
#include "system/InstalledApplications.h"
#include "ui/panel/AppAppearance.h"
#include "ui/panel/ReadingOrder.h"
#include "ui/panel/UiFont.h"
#include "ui/panel/WindowKeys.h"
#include "ui/windows/SettingsState.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace ostrel {

namespace {

constexpr int iconSide = 20;
constexpr int locationRole = Qt::UserRole + 1;

QIcon applicationIcon(const InstalledApplication &application)
{
    QIcon icon = AppIconProvider::iconNamed(application.icon);
    if (icon.isNull()) {
        icon = QIcon(QPixmap::fromImage(AppIconProvider::standIn(
            AppIconProvider::side, application.bundleID, application.name)));
    }
    return icon;
}

} // namespace

ApplicationPicker::ApplicationPicker(const ViewEnvironment &environment, QWidget *owner)
    : QWidget(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("application-picker"));
    setWindowTitle(QStringLiteral("Add Applications"));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(UiFont::body());
    resize(420, 480);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 14);
    column->setSpacing(10);
    filter_ = new QLineEdit;
    filter_->setObjectName(QStringLiteral("application-picker-filter"));
    filter_->setPlaceholderText(QStringLiteral("Search"));
    filter_->setAccessibleName(QStringLiteral("Search"));
    filter_->setClearButtonEnabled(true);
    column->addWidget(filter_);

    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("application-picker-list"));
    list_->setAccessibleName(QStringLiteral("Applications"));
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setIconSize(QSize(iconSide, iconSide));
    list_->setUniformItemSizes(true);
    list_->setSpacing(1);
    column->addWidget(list_, 1);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addStretch(1);
    cancel_ = new QPushButton(QStringLiteral("Cancel"));
    cancel_->setObjectName(QStringLiteral("application-picker-cancel"));
    buttons->addWidget(cancel_);
    add_ = new QPushButton(QStringLiteral("Add"));
    add_->setObjectName(QStringLiteral("application-picker-add"));
    add_->setDefault(true);
    buttons->addWidget(add_);
    column->addLayout(buttons);

    connect(cancel_, &QPushButton::clicked, this, &ApplicationPicker::reject);
    connect(add_, &QPushButton::clicked, this, &ApplicationPicker::accept);
    connect(list_, &QListWidget::itemSelectionChanged, this,
            [this] { add_->setEnabled(!chosen().isEmpty()); });
    connect(list_, &QListWidget::itemActivated, this, &ApplicationPicker::accept);
    connect(filter_, &QLineEdit::textChanged, this, &ApplicationPicker::applyFilter);
    WindowKeys::onEscape(this, [this] { reject(); });
    WindowKeys::onReturn(this, [this] { add_->click(); });

    AppAppearance::attach(this, environment);
    fill(environment.installedApplications);
    add_->setEnabled(false);
    filter_->setFocus();
    placeOver(owner);
}

void ApplicationPicker::placeOver(QWidget *owner)
{
    if (!owner) {
        return;
    }
    // Window managers place a new window wherever they like; a sheet the user asked for from the
    // settings window belongs on top of it, kept on the screen it is on.
    const QWidget *top = owner->window();
    // Placed by its frame, taken to be as thick as the owner's.
    const QRect ownerFrame = top->frameGeometry();
    const QRect ownerInside = top->geometry();
    const QSize frame(ownerFrame.width() - ownerInside.width(),
                      ownerFrame.height() - ownerInside.height());
    QRect placed(QPoint(), size() + frame);
    placed.moveCenter(ownerFrame.center());
    if (const QScreen *screen = top->screen()) {
        const QRect area = screen->availableGeometry();
        placed.moveLeft(std::clamp(placed.left(), area.left(),
                                   std::max(area.left(), area.right() - placed.width() + 1)));
        placed.moveTop(std::clamp(placed.top(), area.top(),
                                  std::max(area.top(), area.bottom() - placed.height() + 1)));
    }
    move(placed.topLeft());
}

void ApplicationPicker::fill(InstalledApplications *installed)
{
    if (!installed) {
        return;
    }
    struct Entry {
        QString name;
        InstalledApplication application;
    };
    QList<Entry> entries;
    for (const InstalledApplication &application : installed->applications()) {
        entries.append(
            {SettingsState::applicationName(application, application.location), application});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return QString::localeAwareCompare(a.name.toLower(), b.name.toLower()) < 0;
    });
    for (const Entry &entry : std::as_const(entries)) {
        // Names come from other programs' entries: an item shows its text as it is.
        auto *item = new QListWidgetItem(applicationIcon(entry.application), entry.name);
        item->setData(locationRole, entry.application.location);
        list_->addItem(item);
    }
}

void ApplicationPicker::applyFilter(const QString &text)
{
    const QString wanted = text.trimmed();
    for (int i = 0; i < list_->count(); ++i) {
        QListWidgetItem *item = list_->item(i);
        const bool shown = wanted.isEmpty() || item->text().contains(wanted, Qt::CaseInsensitive);
        item->setHidden(!shown);
        if (!shown) {
            item->setSelected(false);
        }
    }
}

void ApplicationPicker::select(const QStringList &names)
{
    for (int i = 0; i < list_->count(); ++i) {
        QListWidgetItem *item = list_->item(i);
        item->setSelected(!item->isHidden() && names.contains(item->text()));
    }
}

QStringList ApplicationPicker::chosen() const
{
    QStringList locations;
    for (int i = 0; i < list_->count(); ++i) {
        const QListWidgetItem *item = list_->item(i);
        if (item->isSelected() && !item->isHidden()) {
            locations.append(item->data(locationRole).toString());
        }
    }
    return locations;
}

void ApplicationPicker::accept()
{
    const QStringList locations = chosen();
    if (locations.isEmpty()) {
        return;
    }
    finish(locations);
}

void ApplicationPicker::reject()
{
    finish({});
}

void ApplicationPicker::finish(const QStringList &locations)
{
    if (finished_) {
        return;
    }
    finished_ = true;
    emit finished(locations);
    close();
}

void ApplicationPicker::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    // The window's own close button is a Cancel.
    if (!finished_) {
        finished_ = true;
        emit finished({});
    }
}

bool ApplicationPicker::focusNextPrevChild(bool next)
{
    return ReadingOrder::moveFocus(this, next) || QWidget::focusNextPrevChild(next);
}

} // namespace ostrel
