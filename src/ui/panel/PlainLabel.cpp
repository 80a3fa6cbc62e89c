#include "ui/panel/PlainLabel.h"

#include <QEvent>

namespace ostrel {

PlainLabel::PlainLabel(const QString &text, QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setText(text);
}

void PlainLabel::setTone(std::optional<ThemeColor> tone)
{
    tone_ = tone;
    applyTone();
}

void PlainLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange) {
        applyTone();
    }
}

void PlainLabel::applyTone()
{
    if (applying_) {
        return;
    }
    applying_ = true;
    if (!tone_) {
        if (testAttribute(Qt::WA_SetPalette)) {
            setPalette(QPalette());
        }
    } else {
        // The tone is worked out from what the label would inherit, not from its own palette,
        // which already carries the last tone; per colour group, so a disabled label still dims.
        QPalette inherited = parentWidget() ? parentWidget()->palette() : QPalette();
        QPalette own;
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            inherited.setCurrentColorGroup(group);
            const QColor colour = tone_->resolve(inherited);
            own.setColor(group, QPalette::WindowText, colour);
            own.setColor(group, QPalette::Text, colour);
        }
        setPalette(own);
    }
    applying_ = false;
}

} // namespace ostrel
