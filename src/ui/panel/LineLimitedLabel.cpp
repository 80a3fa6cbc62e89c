#include "ui/panel/LineLimitedLabel.h"

#include <QEvent>
#include <QPainter>
#include <QTextLayout>

#include <cmath>

namespace ostrel {

LineLimitedLabel::LineLimitedLabel(const QString &text, int maximumLines, QWidget *parent)
    : QWidget(parent)
    , text_(text)
    , maximumLines_(std::max(1, maximumLines))
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(text);
}

void LineLimitedLabel::setText(const QString &text)
{
    text_ = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void LineLimitedLabel::setAlignment(Qt::Alignment alignment)
{
    alignment_ = alignment;
    update();
}

void LineLimitedLabel::setTone(ThemeColor tone)
{
    tone_ = tone;
    update();
}

QStringList LineLimitedLabel::linesAt(int width) const
{
    QStringList lines;
    if (text_.isEmpty() || width <= 0) {
        return lines;
    }
    const QFontMetricsF metrics(font());
    QTextLayout layout(text_, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(width);
        if (lines.size() == maximumLines_ - 1) {
            // The last line allowed holds the rest of the text, cut with an ellipsis.
            const QString rest = text_.mid(line.textStart()).simplified();
            lines.append(metrics.elidedText(rest, Qt::ElideRight, width));
            break;
        }
        lines.append(text_.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return lines;
}

bool LineLimitedLabel::isTruncatedAt(int width) const
{
    const QStringList lines = linesAt(width);
    return !lines.isEmpty() && lines.last().endsWith(QChar(0x2026))
        && !text_.simplified().endsWith(QChar(0x2026));
}

int LineLimitedLabel::heightForWidth(int width) const
{
    const int count = std::max<qsizetype>(1, linesAt(width).size());
    return int(std::ceil(QFontMetricsF(font()).lineSpacing() * count));
}

QSize LineLimitedLabel::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int width = std::min(metrics.horizontalAdvance(text_) + 1, 460);
    return QSize(width, heightForWidth(width));
}

QSize LineLimitedLabel::minimumSizeHint() const
{
    return QSize(QFontMetrics(font()).averageCharWidth() * 4, QFontMetrics(font()).lineSpacing());
}

void LineLimitedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(tone_.resolve(palette()));
    const qreal spacing = QFontMetricsF(font()).lineSpacing();
    qreal y = 0;
    for (const QString &line : linesAt(width())) {
        painter.drawText(QRectF(0, y, width(), spacing),
                         int(alignment_ | Qt::AlignTop) | Qt::TextSingleLine, line);
        y += spacing;
    }
}

void LineLimitedLabel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
}

} // namespace ostrel
