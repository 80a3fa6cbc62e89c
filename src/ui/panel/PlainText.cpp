#include "ui/panel/PlainText.h"

#include "ui/panel/PlainLabel.h"

#include <QWidget>

namespace ostrel {

QLabel *PlainText::label(const QString &text, QWidget *parent)
{
    return new PlainLabel(text, parent);
}

QString PlainText::forButton(const QString &text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return doubled;
}

QString PlainText::toolTip(const QString &text)
{
    if (text.isEmpty()) {
        return text;
    }
    // Wrapped in a paragraph so that Qt always reads it as rich text: escaped plain text that
    // happens not to look like markup would otherwise show its entities.
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + escaped + QStringLiteral("</p>");
}

void PlainText::setToolTip(QWidget *widget, const QString &text)
{
    widget->setToolTip(toolTip(text));
    widget->setAccessibleDescription(text);
}

} // namespace ostrel
