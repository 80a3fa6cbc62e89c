#pragma once

#include <QTextEdit>

namespace ostrel {

// A file-system path as the storage page shows it: written in full, in the small monospaced
// caption font and the secondary colour, selectable so that it can be copied as it is, and
// wrapping onto further lines (between folders where it can, anywhere where it must) instead of
// being cut. It is as tall as its lines at the width it is given.
class PathText : public QTextEdit {
    Q_OBJECT

public:
    explicit PathText(const QString &path = {}, QWidget *parent = nullptr);

    QString path() const { return toPlainText(); }
    void setPath(const QString &path);
    // The number of lines the path takes at the current width.
    int lineCount() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyTone();

    bool applying_ = false;
};

} // namespace ostrel
