#include "UserTexts.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QWidget>

#include <gtest/gtest.h>

namespace ostrel::test {

namespace {

void add(QStringList &texts, const QString &text)
{
    if (!text.trimmed().isEmpty() && !texts.contains(text)) {
        texts.append(text);
    }
}

void widgetTexts(QWidget *widget, QStringList &texts)
{
    add(texts, widget->windowTitle());
    add(texts, widget->toolTip());
    add(texts, widget->accessibleName());
    add(texts, widget->accessibleDescription());
    add(texts, widget->whatsThis());
    add(texts, widget->statusTip());
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        add(texts, label->text());
    } else if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        add(texts, button->text());
    } else if (auto *field = qobject_cast<QLineEdit *>(widget)) {
        add(texts, field->text());
        add(texts, field->placeholderText());
    } else if (auto *tabs = qobject_cast<QTabBar *>(widget)) {
        for (int i = 0; i < tabs->count(); ++i) {
            add(texts, tabs->tabText(i));
            add(texts, tabs->tabToolTip(i));
        }
    } else if (auto *choice = qobject_cast<QComboBox *>(widget)) {
        for (int i = 0; i < choice->count(); ++i) {
            add(texts, choice->itemText(i));
        }
    }
}

void accessibleTexts(QAccessibleInterface *object, QStringList &texts, int depth)
{
    if (!object || !object->isValid() || object->state().invisible || depth > 64) {
        return;
    }
    for (const QAccessible::Text kind :
         {QAccessible::Name, QAccessible::Description, QAccessible::Value, QAccessible::Help}) {
        add(texts, object->text(kind));
    }
    for (int i = 0; i < object->childCount(); ++i) {
        accessibleTexts(object->child(i), texts, depth + 1);
    }
}

} // namespace

QStringList userTexts(QWidget *window)
{
    QStringList texts;
    widgetTexts(window, texts);
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (widget->isVisibleTo(window)) {
            widgetTexts(widget, texts);
        }
    }
    accessibleTexts(QAccessible::queryAccessibleInterface(window), texts, 0);
    return texts;
}

void expectLinuxWords(QWidget *window, const QString &what)
{
    for (const QString &text : userTexts(window)) {
        const QStringList found = foreignWords(text);
        if (!found.isEmpty()) {
            ADD_FAILURE() << what.toStdString() << ": “" << text.toStdString() << "” says "
                          << found.join(QStringLiteral(", ")).toStdString();
        }
    }
}

} // namespace ostrel::test
