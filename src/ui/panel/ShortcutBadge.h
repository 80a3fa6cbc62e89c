#pragma once

#include "model/Shortcut.h"

#include <QPointer>
#include <QWidget>

namespace ostrel {

class KeyboardLayoutObserver;

// A key-cap badge showing a saved shortcut: the modifier glyphs followed by the key's name in
// the current keyboard layout, relabelled as soon as the layout changes. Assistive technology
// reads it as "Shortcut " and the same text.
class ShortcutBadge : public QWidget {
    Q_OBJECT

public:
    // The observer gives the key labels and says when they change; it may be absent (the badge
    // then shows the fixed key names).
    ShortcutBadge(const Shortcut &shortcut, KeyboardLayoutObserver *keyboardLayout,
                  QWidget *parent = nullptr);

    Shortcut shortcut() const { return shortcut_; }
    void setShortcut(const Shortcut &shortcut);
    // The text shown now.
    QString text() const { return text_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void relabel();

    Shortcut shortcut_;
    QPointer<KeyboardLayoutObserver> keyboardLayout_;
    QString text_;
};

} // namespace ostrel
