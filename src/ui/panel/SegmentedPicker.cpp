#include "ui/panel/SegmentedPicker.h"

#include "ui/panel/Accessibility.h"
#include "ui/panel/Theme.h"
#include "ui/panel/UiFont.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPainter>

#include <algorithm>

namespace ostrel {

namespace {

constexpr int barHeight = 24;
constexpr qreal barRadius = 6;
constexpr int segmentInset = 2;
constexpr int segmentPadding = 8;

// One segment: a radio button drawn as a part of the bar. The bar draws the chosen segment's
// raised face, so that it can sit under the separators.
class Segment final : public QRadioButton {
public:
    Segment(const QString &title, QWidget *parent)
        : QRadioButton(title, parent)
    {
        setFont(UiFont::system(13));
        setFocusPolicy(Qt::TabFocus);
        setCursor(Qt::ArrowCursor);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        setFixedHeight(barHeight - 2 * segmentInset);
    }

protected:
    bool hitButton(const QPoint &position) const override { return rect().contains(position); }

    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPalette &colours = palette();
        if (isChecked()) {
            painter.setPen(QPen(Theme::primary(colours, 0.12), 0.5));
            painter.setBrush(Theme::isDark(colours) ? Theme::primary(colours, 0.24)
                                                    : QColor(Qt::white));
            painter.drawRoundedRect(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25),
                                    barRadius - 1.5, barRadius - 1.5);
        } else if (isDown()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(Theme::primary(colours, 0.08));
            painter.drawRoundedRect(QRectF(rect()), barRadius - 1.5, barRadius - 1.5);
        }
        painter.setPen(isEnabled() ? Theme::primary(colours) : Theme::tertiary(colours));
        painter.setFont(font());
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
        if (hasFocus()) {
            painter.setPen(QPen(Theme::accent(colours), 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), barRadius - 2,
                                    barRadius - 2);
        }
    }
};

} // namespace

SegmentedPicker::SegmentedPicker(const QString &title, const QStringList &segments, int width,
                                 QWidget *parent)
    : QWidget(parent)
    , width_(width)
{
    setAccessibleName(title);
    Accessibility::setRole(this, QAccessible::Grouping);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(segmentInset, segmentInset, segmentInset, segmentInset);
    row->setSpacing(segmentInset);
    for (const QString &text : segments) {
        auto *segment = new Segment(text, this);
        segment->setObjectName(QStringLiteral("segment-") + QString::number(segments_.size()));
        group_.addButton(segment, int(segments_.size()));
        segments_.append(segment);
        row->addWidget(segment, 1);
    }
    // Checked, not clicked: assistive technology checks a radio button without clicking it.
    // The host's own `setCurrentIndex` is not a choice and reports nothing.
    connect(&group_, &QButtonGroup::idToggled, this, [this](int index, bool checked) {
        update();
        if (checked && !settingIndex_) {
            emit chosen(index);
        }
    });
    // The bar keeps the width asked for unless a label needs more: equal parts, each wide enough
    // for the longest label with a little room on either side.
    const QFontMetrics metrics(UiFont::system(13));
    int widest = 0;
    for (const QString &text : segments) {
        widest = std::max(widest, metrics.horizontalAdvance(text));
    }
    const qsizetype count = segments.size();
    const int needed = int(count) * (widest + 2 * segmentPadding)
        + int(std::max<qsizetype>(count - 1, 0)) * segmentInset + 2 * segmentInset;
    width_ = std::max(width_, needed);
    setFixedSize(sizeHint());
}

int SegmentedPicker::currentIndex() const
{
    return group_.checkedId();
}

void SegmentedPicker::setCurrentIndex(int index)
{
    if (QAbstractButton *button = group_.button(index)) {
        settingIndex_ = true;
        button->setChecked(true);
        settingIndex_ = false;
        update();
    }
}

QSize SegmentedPicker::sizeHint() const
{
    return {width_, barHeight};
}

void SegmentedPicker::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &colours = palette();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::primary(colours, Theme::isDark(colours) ? 0.10 : 0.07));
    painter.drawRoundedRect(QRectF(rect()), barRadius, barRadius);
    // Separators between two segments neither of which is chosen.
    painter.setPen(QPen(Theme::primary(colours, 0.14), 1));
    for (qsizetype i = 1; i < segments_.size(); ++i) {
        if (segments_[i]->isChecked() || segments_[i - 1]->isChecked()) {
            continue;
        }
        const qreal x = segments_[i]->geometry().left() - segmentInset / 2.0;
        painter.drawLine(QPointF(x, 6), QPointF(x, height() - 6));
    }
}

} // namespace ostrel
