#include "ui/panel/ScreenReader.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QLabel>
#include <QVariant>
#include <QWidget>

namespace ostrel {

namespace {

const char *const hiddenProperty = "ostrelScreenReaderHidden";
const char *const roleProperty = "ostrelScreenReaderRole";
const char *const selectedProperty = "ostrelScreenReaderSelected";

class AdjustedAccessible : public QAccessibleWidget {
public:
    AdjustedAccessible(QWidget *widget, QAccessible::Role role)
        : QAccessibleWidget(widget, role)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State result = QAccessibleWidget::state();
        if (widget()->property(hiddenProperty).toBool()) {
            result.invisible = true;
            result.focusable = false;
        }
        const QVariant selected = widget()->property(selectedProperty);
        if (selected.isValid()) {
            result.selectable = true;
            result.selected = selected.toBool();
        }
        if (const auto *button = qobject_cast<const QAbstractButton *>(widget())) {
            result.checkable = button->isCheckable();
            result.checked = button->isChecked();
            result.pressed = button->isDown();
        }
        return result;
    }

    // A button made here still presses, as Qt's own button interface lets it.
    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (qobject_cast<const QAbstractButton *>(widget()) && widget()->isEnabled()) {
            names.prepend(pressAction());
        }
        return names;
    }

    void doAction(const QString &action) override
    {
        auto *button = qobject_cast<QAbstractButton *>(widget());
        if (button && action == pressAction()) {
            if (button->isEnabled()) {
                button->click();
            }
            return;
        }
        QAccessibleWidget::doAction(action);
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            if (const auto *label = qobject_cast<const QLabel *>(widget())) {
                return label->text();
            }
        }
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface *adjustedFactory(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget) {
        return nullptr;
    }
    const QVariant role = widget->property(roleProperty);
    const bool hidden = widget->property(hiddenProperty).toBool();
    const bool selectable = widget->property(selectedProperty).isValid();
    if (!role.isValid() && !hidden && !selectable) {
        return nullptr;
    }
    QAccessible::Role chosen = QAccessible::Client;
    if (role.isValid()) {
        chosen = QAccessible::Role(role.toInt());
    } else if (qobject_cast<QAbstractButton *>(widget)) {
        chosen = QAccessible::Button;
    }
    return new AdjustedAccessible(widget, chosen);
}

// An interface made before the widget was marked (a label makes one as soon as its text is set)
// is dropped, so the next one asked for comes from the factory above.
void forgetEarlierInterface(QWidget *widget)
{
    QAccessibleInterface *existing = QAccessible::queryAccessibleInterface(widget);
    if (existing && !dynamic_cast<AdjustedAccessible *>(existing)) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(existing));
    }
}

void installFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(adjustedFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

void ScreenReader::hide(QWidget *widget)
{
    installFactory();
    widget->setProperty(hiddenProperty, true);
    forgetEarlierInterface(widget);
}

bool ScreenReader::isHidden(const QWidget *widget)
{
    return widget->property(hiddenProperty).toBool();
}

void ScreenReader::setSelected(QWidget *widget, bool selected)
{
    installFactory();
    const QVariant before = widget->property(selectedProperty);
    widget->setProperty(selectedProperty, selected);
    if (!before.isValid()) {
        forgetEarlierInterface(widget);
        return;
    }
    if (before.toBool() != selected) {
        QAccessible::State changed;
        changed.selected = true;
        QAccessibleStateChangeEvent event(widget, changed);
        QAccessible::updateAccessibility(&event);
    }
}

bool ScreenReader::isSelected(const QWidget *widget)
{
    return widget->property(selectedProperty).toBool();
}

void ScreenReader::setRole(QWidget *widget, QAccessible::Role role)
{
    installFactory();
    widget->setProperty(roleProperty, int(role));
    forgetEarlierInterface(widget);
}

} // namespace ostrel
