#pragma once

#include "ui/panel/ThemeColor.h"

#include <QFont>
#include <QString>
#include <QWidget>

namespace ostrel {

// One symbol in a square of `Symbols::side(pointSize)` (or the size the layout gives it, the
// symbol centred), coloured from the palette each time it paints. Decorative: it has no
// accessible name; the control around it carries the label.
class SymbolView : public QWidget {
    Q_OBJECT

public:
    SymbolView(const QString &name, double pointSize, QFont::Weight weight = QFont::Normal,
               ThemeColor colour = ThemeColor::primary(), QWidget *parent = nullptr);

    QString name() const { return name_; }
    void setName(const QString &name);
    double pointSize() const { return pointSize_; }
    ThemeColor colour() const { return colour_; }
    void setColour(ThemeColor colour);
    QFont::Weight weight() const { return weight_; }

    // The colour the symbol is drawn in now.
    QColor resolvedColour() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString name_;
    double pointSize_;
    QFont::Weight weight_;
    ThemeColor colour_;
};

} // namespace ostrel
