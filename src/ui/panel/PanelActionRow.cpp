#include "ui/panel/PanelActionRow.h"

#include "ui/panel/PlainLabel.h"
#include "ui/panel/PlainText.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/TrayContentPadding.h"
#include "ui/panel/UiFont.h"

#include <QHBoxLayout>
#include <QShortcut>

namespace ostrel {

PanelActionRow::PanelActionRow(const QString &title, std::optional<QString> symbol,
                               std::optional<QString> detail, std::optional<Qt::Key> key,
                               std::function<void()> action, QWidget *parent)
    : HoverRowButton(HoverRowButtonStyle{12, 4, 1}, parent)
{
    // The button's own text is never shown; it is set, with any `&` doubled so that it makes no
    // mnemonic, for whatever reads buttons by their text.
    setText(PlainText::forButton(title));
    setAccessibleName(title);
    auto *row = new QHBoxLayout(this);
    trayContentPadding(row, 2);
    row->setSpacing(7);
    if (symbol) {
        symbol_ = new SymbolView(*symbol, 14, QFont::Normal, ThemeColor::secondary());
        symbol_->setObjectName(QStringLiteral("action-row-symbol"));
        symbol_->setFixedWidth(18);
        symbol_->setMinimumHeight(minimumContentHeight);
        row->addWidget(symbol_);
    }
    title_ = new PlainLabel(title);
    title_->setObjectName(QStringLiteral("action-row-title"));
    title_->setMinimumHeight(minimumContentHeight);
    row->addWidget(title_);
    row->addSpacerItem(new QSpacerItem(8, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    if (detail) {
        auto *hint = new PlainLabel(*detail);
        hint->setFont(UiFont::menu());
        hint->setTone(ThemeColor::tertiary());
        hint->setObjectName(QStringLiteral("action-row-detail"));
        detail_ = hint;
        row->addWidget(detail_);
    }
    setMinimumHeight(minimumContentHeight + 4);
    if (key) {
        // Ctrl is the command key of Linux programs (Ctrl+Q quits them). A shortcut of its own
        // rather than the button's, which would only click after a flash of the button.
        keyEquivalent_ =
            new QShortcut(QKeySequence(QKeyCombination(Qt::ControlModifier, *key)), this);
        keyEquivalent_->setContext(Qt::WindowShortcut);
        connect(keyEquivalent_, &QShortcut::activated, this, &QAbstractButton::click);
    }
    connect(this, &HoverRowButton::hoveringChanged, this, &PanelActionRow::restyle);
    if (action) {
        connect(this, &QAbstractButton::clicked, this, [action] { action(); });
    }
}

QKeySequence PanelActionRow::keyEquivalent() const
{
    return keyEquivalent_ ? keyEquivalent_->key() : QKeySequence();
}

void PanelActionRow::restyle(bool hovering)
{
    if (symbol_) {
        symbol_->setColour(hovering ? ThemeColor::primary() : ThemeColor::secondary());
    }
    if (auto *hint = static_cast<PlainLabel *>(detail_)) {
        hint->setTone(hovering ? ThemeColor::primary() : ThemeColor::tertiary());
    }
}

} // namespace ostrel
