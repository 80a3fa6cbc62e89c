#include "ui/panel/ShortcutBadge.h"

#include "model/ShortcutFormatter.h"
#include "platform/KeyboardLayoutObserver.h"
#include "ui/panel/Theme.h"
#include "ui/panel/UiFont.h"

#include <QPainter>

namespace ostrel {

namespace {

constexpr int horizontalPadding = 5;
constexpr int verticalPadding = 2;
constexpr qreal cornerRadius = 5;

} // namespace

ShortcutBadge::ShortcutBadge(const Shortcut &shortcut, KeyboardLayoutObserver *keyboardLayout,
                             QWidget *parent)
    : QWidget(parent)
    , shortcut_(shortcut)
    , keyboardLayout_(keyboardLayout)
{
    setFont(UiFont::rounded(11, QFont::Medium));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (keyboardLayout) {
        connect(keyboardLayout, &KeyboardLayoutObserver::revisionChanged, this,
                &ShortcutBadge::relabel);
    }
    relabel();
}

void ShortcutBadge::setShortcut(const Shortcut &shortcut)
{
    shortcut_ = shortcut;
    relabel();
}

void ShortcutBadge::relabel()
{
    // Formed afresh each time: the key's name comes from the keyboard layout in use now.
    text_ = ShortcutFormatter::text(shortcut_, labelsOf(keyboardLayout_));
    setAccessibleName(QStringLiteral("Shortcut ") + text_);
    updateGeometry();
    update();
}

QSize ShortcutBadge::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(text_) + 2 * horizontalPadding,
                 metrics.height() + 2 * verticalPadding);
}

void ShortcutBadge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::primary(palette(), 0.07));
    painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.setPen(Theme::primary(palette()));
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text_);
}

} // namespace ostrel
