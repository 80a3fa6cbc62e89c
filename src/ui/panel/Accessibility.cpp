#include "ui/panel/Accessibility.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QVariant>
#include <QWidget>

namespace ostrel {

namespace {

const char *const hiddenProperty = "ostrelAccessibilityHidden";
const char *const roleProperty = "ostrelAccessibilityRole";

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
        return result;
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
    if (!role.isValid() && !hidden) {
        return nullptr;
    }
    const auto chosen = role.isValid() ? QAccessible::Role(role.toInt()) : QAccessible::Client;
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

void Accessibility::hide(QWidget *widget)
{
    installFactory();
    widget->setProperty(hiddenProperty, true);
    forgetEarlierInterface(widget);
}

bool Accessibility::isHidden(const QWidget *widget)
{
    return widget->property(hiddenProperty).toBool();
}

void Accessibility::setRole(QWidget *widget, QAccessible::Role role)
{
    installFactory();
    widget->setProperty(roleProperty, int(role));
    forgetEarlierInterface(widget);
}

} // namespace ostrel
