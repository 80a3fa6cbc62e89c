#include "ui/panel/SectionLabel.h"

#include "ui/panel/LineLimitedLabel.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/UiFont.h"

namespace ostrel {

PlainLabel *sectionLabel(const QString &text, double pointSize, QFont::Weight weight,
                         std::optional<ThemeColor> tone, Wrapping wrapping, QWidget *parent)
{
    auto *label = new PlainLabel(text, parent);
    label->setFont(UiFont::system(pointSize, weight));
    label->setTone(tone);
    if (wrapping == Wrapping::wraps) {
        label->setWordWrap(true);
    }
    return label;
}

LineLimitedLabel *limitedLabel(const QString &text, int lines, double pointSize,
                               QFont::Weight weight, ThemeColor tone, QWidget *parent)
{
    auto *label = new LineLimitedLabel(text, lines, parent);
    label->setFont(UiFont::system(pointSize, weight));
    label->setTone(tone);
    return label;
}

void makeSelectable(PlainLabel *label)
{
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setCursor(Qt::IBeamCursor);
}

} // namespace ostrel
