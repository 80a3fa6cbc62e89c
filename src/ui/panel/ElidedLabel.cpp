#include "ui/panel/ElidedLabel.h"

#include <QPainter>
#include <QStyle>

namespace ostrel {

ElidedLabel::ElidedLabel(const QString &text, QWidget *parent)
    : PlainLabel(text, parent)
{
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QString ElidedLabel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

QSize ElidedLabel::minimumSizeHint() const
{
    return QSize(0, PlainLabel::minimumSizeHint().height());
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), int(alignment()) | Qt::TextSingleLine,
                          palette(), isEnabled(), shownText(), foregroundRole());
}

} // namespace ostrel
