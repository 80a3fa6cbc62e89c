#pragma once

#include "ui/panel/ThemeColor.h"

#include <QWidget>

namespace ostrel {

// Plain text that wraps onto at most `maximumLines` lines and ends the last one with "…" when
// the text needs more; its height follows its width.
class LineLimitedLabel : public QWidget {
    Q_OBJECT

public:
    LineLimitedLabel(const QString &text, int maximumLines, QWidget *parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString &text);
    void setAlignment(Qt::Alignment alignment);
    void setTone(ThemeColor tone);

    // The lines shown at a width, the last one elided where the text is cut.
    QStringList linesAt(int width) const;
    bool isTruncatedAt(int width) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QString text_;
    int maximumLines_;
    Qt::Alignment alignment_ = Qt::AlignLeft;
    ThemeColor tone_ = ThemeColor::primary();
};

} // namespace ostrel
