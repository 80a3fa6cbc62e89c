#include "ui/windows/SettingsTabBar.h"

#include "ui/panel/Symbols.h"
#include "ui/panel/Theme.h"
#include "ui/panel/UiFont.h"

#include <QFocusEvent>
#include <QPainter>
#include <QPainterPath>

namespace ostrel {

namespace {

// The symbols of the tabs are drawn at the large scale of a 12-point label.
constexpr double symbolSize = 17;
constexpr int tabHeight = 50;
constexpr int minimumTabWidth = 64;
constexpr int titleGap = 3;
constexpr int topInset = 6;

} // namespace

SettingsTabBar::SettingsTabBar(QWidget *parent)
    : QTabBar(parent)
{
    setObjectName(QStringLiteral("settings-tabs"));
    setFont(UiFont::system(12));
    setDrawBase(false);
    setExpanding(false);
    setUsesScrollButtons(false);
    setDocumentMode(true);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
}

int SettingsTabBar::addPage(const QString &title, const QString &symbol)
{
    const int index = addTab(title);
    setTabData(index, symbol);
    return index;
}

QString SettingsTabBar::symbol(int index) const
{
    return tabData(index).toString();
}

QSize SettingsTabBar::tabSizeHint(int index) const
{
    const int textWidth = fontMetrics().horizontalAdvance(tabText(index));
    return {std::max(minimumTabWidth, textWidth + 20), tabHeight};
}

void SettingsTabBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &colours = palette();
    const QPoint pointer = mapFromGlobal(QCursor::pos());
    for (int i = 0; i < count(); ++i) {
        const QRectF tab = QRectF(tabRect(i)).adjusted(2, 2, -2, -2);
        const bool chosen = i == currentIndex();
        QPainterPath shape;
        shape.addRoundedRect(tab, 7, 7);
        if (chosen) {
            painter.fillPath(shape, Theme::primary(colours, Theme::isDark(colours) ? 0.12 : 0.07));
        } else if (underMouse() && tab.contains(pointer)) {
            painter.fillPath(shape, Theme::primary(colours, 0.05));
        }
        const QColor colour = chosen ? Theme::accent(colours) : Theme::secondary(colours);
        const int side = Symbols::side(symbolSize);
        const QRectF symbolRect(tab.center().x() - side / 2.0, tab.top() + topInset, side, side);
        Symbols::paint(painter, symbolRect, symbol(i), colour);
        painter.setPen(chosen ? Theme::accent(colours) : Theme::primary(colours, 0.75));
        painter.setFont(font());
        const QRectF title(tab.left(), symbolRect.bottom() + titleGap, tab.width(),
                           fontMetrics().height());
        painter.drawText(title, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, tabText(i));
        if (chosen && hasFocus() && keyboardFocus_) {
            painter.setPen(QPen(Theme::accent(colours), 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(shape);
        }
    }
}

void SettingsTabBar::focusInEvent(QFocusEvent *event)
{
    keyboardFocus_ =
        event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QTabBar::focusInEvent(event);
}

} // namespace ostrel
