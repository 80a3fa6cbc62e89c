#include "ui/panel/RouteFootnote.h"

#include "ui/panel/PlainLabel.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/Symbols.h"
#include "ui/panel/UiFont.h"

#include <QHBoxLayout>

namespace ostrel {

RouteFootnote::RouteFootnote(const QString &symbol, const QString &text, QWidget *parent)
    : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(7);
    symbol_ = new SymbolView(symbol, 15, QFont::Normal, ThemeColor::secondary());
    auto *label = new PlainLabel(text);
    label->setFont(UiFont::callout());
    label->setTone(ThemeColor::secondary());
    label->setWordWrap(true);
    text_ = label;
    // The symbol is centred on the first line, whichever of the two is taller.
    const int lineHeight = QFontMetrics(label->font()).lineSpacing();
    const int side = Symbols::side(15);
    symbol_->setFixedSize(side, std::max(side, lineHeight));
    label->setContentsMargins(0, std::max(0, (side - lineHeight) / 2), 0, 0);
    row->addWidget(symbol_, 0, Qt::AlignTop);
    row->addWidget(text_, 1);
}

} // namespace ostrel
