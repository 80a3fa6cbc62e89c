#include "ui/panel/InfoButton.h"

#include "ui/panel/PlainLabel.h"
#include "ui/panel/PlainText.h"
#include "ui/panel/Symbols.h"
#include "ui/panel/Theme.h"
#include "ui/panel/UiFont.h"

#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace ostrel {

namespace {

constexpr double symbolSize = 12.5;

// The popover: a frameless popup, so the click outside it that closes it is handled by Qt. It
// tells the button when it closes, however that happens.
class InfoPopover : public QFrame {
public:
    InfoPopover(const QString &text, QWidget *owner)
        : QFrame(owner, Qt::Popup | Qt::FramelessWindowHint)
    {
        setObjectName(QStringLiteral("info-popover"));
        setAttribute(Qt::WA_DeleteOnClose);
        // The click on the button that closes the popover must not open it again.
        setAttribute(Qt::WA_NoMouseReplay);
        setFrameShape(QFrame::NoFrame);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(InfoButton::popoverPadding, InfoButton::popoverPadding,
                                   InfoButton::popoverPadding, InfoButton::popoverPadding);
        auto *label = new PlainLabel(text);
        label->setFont(UiFont::callout());
        label->setWordWrap(true);
        label->setFixedWidth(InfoButton::popoverWidth);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        layout->addWidget(label);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Window));
        painter.setPen(Theme::primary(palette(), 0.18));
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
};

} // namespace

InfoButton::InfoButton(const QString &text, const QString &label, QWidget *parent)
    : QAbstractButton(parent)
{
    setObjectName(QStringLiteral("info-button"));
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setExplanation(text);
    setLabel(label);
    connect(this, &QAbstractButton::clicked, this, [this] { setShown(!isShown()); });
}

void InfoButton::setExplanation(const QString &text)
{
    explanation_ = text;
    PlainText::setToolTip(this, text);
}

void InfoButton::setLabel(const QString &label)
{
    setAccessibleName(label);
}

bool InfoButton::isShown() const
{
    return popover_ && popover_->isVisible();
}

void InfoButton::setShown(bool shown)
{
    if (shown == isShown()) {
        return;
    }
    if (shown) {
        openPopover();
    } else if (popover_) {
        popover_->close();
    }
}

void InfoButton::openPopover()
{
    auto *popover = new InfoPopover(explanation_, this);
    popover_ = popover;
    connect(popover, &QObject::destroyed, this, [this] { emit shownChanged(false); });
    popover->adjustSize();
    // Below the button, centred on it, kept inside the screen.
    const QPoint anchor = mapToGlobal(QPoint(width() / 2, height() + 4));
    QRect place(anchor - QPoint(popover->width() / 2, 0), popover->size());
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        place.moveLeft(std::clamp(place.left(), area.left(),
                                  std::max(area.left(), area.right() - place.width())));
        if (place.bottom() > area.bottom()) {
            place.moveBottom(mapToGlobal(QPoint(0, -4)).y());
        }
    }
    popover->move(place.topLeft());
    popover->show();
    emit shownChanged(true);
}

QSize InfoButton::sizeHint() const
{
    const int side = Symbols::side(symbolSize);
    return QSize(side, side);
}

void InfoButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int side = Symbols::side(symbolSize);
    const QRectF square((width() - side) / 2, (height() - side) / 2, side, side);
    Symbols::paint(painter, square, QStringLiteral("info.circle"), Theme::secondary(palette()));
    if (hasFocus()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Theme::accent(palette()), 1.5));
        painter.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
}

} // namespace ostrel
