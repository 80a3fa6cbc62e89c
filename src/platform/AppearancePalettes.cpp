#include "platform/AppearancePalettes.h"

#include <QColor>

namespace ostrel {

namespace {

struct Colours {
    QColor window;
    QColor text;
    QColor base;
    QColor alternateBase;
    QColor button;
    QColor light;
    QColor midlight;
    QColor mid;
    QColor dark;
    QColor shadow;
    QColor highlight;
    QColor link;
    QColor placeholder;
    QColor disabledText;
    QColor toolTipBase;
};

QPalette build(const Colours &c)
{
    QPalette p;
    p.setColor(QPalette::Window, c.window);
    p.setColor(QPalette::WindowText, c.text);
    p.setColor(QPalette::Base, c.base);
    p.setColor(QPalette::AlternateBase, c.alternateBase);
    p.setColor(QPalette::ToolTipBase, c.toolTipBase);
    p.setColor(QPalette::ToolTipText, c.text);
    p.setColor(QPalette::PlaceholderText, c.placeholder);
    p.setColor(QPalette::Text, c.text);
    p.setColor(QPalette::Button, c.button);
    p.setColor(QPalette::ButtonText, c.text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Light, c.light);
    p.setColor(QPalette::Midlight, c.midlight);
    p.setColor(QPalette::Mid, c.mid);
    p.setColor(QPalette::Dark, c.dark);
    p.setColor(QPalette::Shadow, c.shadow);
    p.setColor(QPalette::Highlight, c.highlight);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, c.link);
    p.setColor(QPalette::LinkVisited, c.link);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, c.disabledText);
    }
    // Selections in an inactive window keep the accent, as the views use it for more than
    // selections (prominent buttons, the checkmark of the selected row).
    p.setColor(QPalette::Inactive, QPalette::Highlight, c.highlight);
    p.setColor(QPalette::Disabled, QPalette::Highlight, c.mid);
    return p;
}

} // namespace

QPalette AppearancePalettes::light()
{
    // Accent and link are the system blue of the light appearance.
    return build({
        .window = QColor(0xec, 0xec, 0xec),
        .text = QColor(0x1d, 0x1d, 0x1f),
        .base = QColor(0xff, 0xff, 0xff),
        .alternateBase = QColor(0xf4, 0xf4, 0xf5),
        .button = QColor(0xfa, 0xfa, 0xfa),
        .light = QColor(0xff, 0xff, 0xff),
        .midlight = QColor(0xe2, 0xe2, 0xe4),
        .mid = QColor(0xb8, 0xb8, 0xbc),
        .dark = QColor(0x9c, 0x9c, 0xa0),
        .shadow = QColor(0x70, 0x70, 0x74),
        .highlight = QColor(0x00, 0x7a, 0xff),
        .link = QColor(0x00, 0x68, 0xda),
        .placeholder = QColor(0x68, 0x68, 0x6c),
        .disabledText = QColor(0xa2, 0xa2, 0xa6),
        .toolTipBase = QColor(0xff, 0xff, 0xff),
    });
}

QPalette AppearancePalettes::dark()
{
    // Accent and link are the system blue of the dark appearance.
    return build({
        .window = QColor(0x2b, 0x2b, 0x2b),
        .text = QColor(0xf0, 0xf0, 0xf0),
        .base = QColor(0x1e, 0x1e, 0x1e),
        .alternateBase = QColor(0x32, 0x32, 0x32),
        .button = QColor(0x3a, 0x3a, 0x3a),
        .light = QColor(0x4a, 0x4a, 0x4a),
        .midlight = QColor(0x40, 0x40, 0x40),
        .mid = QColor(0x30, 0x30, 0x30),
        .dark = QColor(0x18, 0x18, 0x18),
        .shadow = QColor(0x00, 0x00, 0x00),
        .highlight = QColor(0x0a, 0x84, 0xff),
        .link = QColor(0x41, 0x9c, 0xff),
        .placeholder = QColor(0xa0, 0xa0, 0xa0),
        .disabledText = QColor(0x80, 0x80, 0x80),
        .toolTipBase = QColor(0x3a, 0x3a, 0x3a),
    });
}

QPalette AppearancePalettes::forDark(bool dark)
{
    return dark ? AppearancePalettes::dark() : light();
}

bool AppearancePalettes::isDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness()
        < palette.color(QPalette::WindowText).lightness();
}

} // namespace ostrel
