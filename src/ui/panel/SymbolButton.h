#pragma once

#include "ui/panel/ThemeColor.h"

#include <QAbstractButton>
#include <QSize>
#include <QString>

namespace ostrel {

// A borderless button whose face is one symbol, centred in a fixed frame that takes clicks as a
// whole (the remove buttons of the recorder and of a layout's window rows). It draws no bezel;
// a disabled one draws its symbol faded. Give it an accessible name: the symbol says nothing.
class SymbolButton : public QAbstractButton {
    Q_OBJECT

public:
    SymbolButton(const QString &symbol, double pointSize, ThemeColor colour, QSize frame,
                 QWidget *parent = nullptr);

    QString symbol() const { return symbol_; }
    ThemeColor colour() const { return colour_; }

    QSize sizeHint() const override { return frame_; }
    QSize minimumSizeHint() const override { return frame_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString symbol_;
    double pointSize_;
    ThemeColor colour_;
    QSize frame_;
};

} // namespace ostrel
