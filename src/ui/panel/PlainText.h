#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace ostrel {

// Texts that come from data (layout and application names, window labels, paths, error texts)
// are shown as they are: never as markup and never with a mnemonic.
namespace PlainText {

// A label that shows `text` literally (Qt::PlainText).
QLabel *label(const QString &text, QWidget *parent = nullptr);
// The text for a button, check box, radio button or tab: `&` doubled so none becomes a mnemonic.
QString forButton(const QString &text);
// The text for a tooltip, which Qt takes as rich text when it looks like markup: escaped, and
// its line breaks kept.
QString toolTip(const QString &text);
// Gives `widget` the tooltip `text` (as above) and the same text, plain, as its accessible
// description: without one, Qt hands screen readers the tooltip's markup.
void setToolTip(QWidget *widget, const QString &text);

} // namespace PlainText

} // namespace ostrel
