#include "ui/panel/SymbolView.h"

#include "ui/panel/ScreenReader.h"
#include "ui/panel/Symbols.h"

#include <QPainter>

namespace ostrel {

SymbolView::SymbolView(const QString &name, double pointSize, QFont::Weight weight,
                       ThemeColor colour, QWidget *parent)
    : QWidget(parent)
    , name_(name)
    , pointSize_(pointSize)
    , weight_(weight)
    , colour_(colour)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    ScreenReader::hide(this);
}

void SymbolView::setName(const QString &name)
{
    if (name != name_) {
        name_ = name;
        update();
    }
}

void SymbolView::setColour(ThemeColor colour)
{
    if (!(colour == colour_)) {
        colour_ = colour;
        update();
    }
}

QColor SymbolView::resolvedColour() const
{
    return colour_.resolve(palette());
}

QSize SymbolView::sizeHint() const
{
    const int side = Symbols::side(pointSize_);
    return QSize(side, side);
}

QSize SymbolView::minimumSizeHint() const
{
    return sizeHint();
}

void SymbolView::paintEvent(QPaintEvent *)
{
    const int side = Symbols::side(pointSize_);
    const QRectF square((width() - side) / 2, (height() - side) / 2, side, side);
    QPainter painter(this);
    Symbols::paint(painter, square, name_, resolvedColour(), weight_);
}

} // namespace ostrel
