#pragma once

#include "ui/panel/HoverRowButton.h"

#include <QKeySequence>
#include <QString>

#include <functional>
#include <optional>

class QLabel;
class QShortcut;

namespace ostrel {

class SymbolView;

// One full-width action row of the panel, shaped like a menu item: an optional symbol in an
// 18-point column, the title, and at the trailing edge an optional key-equivalent hint such as
// "Ctrl+Q". The symbol and the hint brighten while the pointer is over the row. With `key` the
// row also answers Ctrl + key while its window is active.
// Object names: "action-row-symbol", "action-row-title", "action-row-detail".
class PanelActionRow : public HoverRowButton {
    Q_OBJECT

public:
    static constexpr int minimumContentHeight = 28;

    PanelActionRow(const QString &title, std::optional<QString> symbol,
                   std::optional<QString> detail, std::optional<Qt::Key> key,
                   std::function<void()> action, QWidget *parent = nullptr);

    // Ctrl + key, or an empty sequence.
    QKeySequence keyEquivalent() const;

private:
    void restyle(bool hovering);

    QLabel *title_;
    QLabel *detail_ = nullptr;
    QShortcut *keyEquivalent_ = nullptr;
    SymbolView *symbol_ = nullptr;
};

} // namespace ostrel
