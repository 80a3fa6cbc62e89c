#pragma once

#include <QString>
#include <QWidget>

class QLabel;

namespace ostrel {

class HairlineCanvas;

// A page header: a line illustration laid out at a fixed design width, blended into the page,
// turned, shifted and cut to a slot of fixed height, above a centred title and a quieter
// detail line.
class HairlineRouteIntroduction : public QWidget {
    Q_OBJECT

public:
    // Takes ownership of `artwork`.
    HairlineRouteIntroduction(const QString &title, const QString &detail, double canvasHeight,
                              double artworkHeight, double rotation, double artworkOffsetY,
                              HairlineCanvas *artwork, QWidget *parent = nullptr);

    QString title() const { return title_; }
    QString detail() const { return detail_; }
    HairlineCanvas *artwork() const { return artwork_; }

    // Whether the page is dark: the artwork then lightens the page (screen), otherwise it
    // darkens it (multiply). Follows the widget's palette.
    bool isDark() const { return dark_; }

signals:
    // The colour scheme changed; whoever built the artwork sets its appearance.
    void schemeChanged(bool dark);

protected:
    void changeEvent(QEvent *event) override;

private:
    void followPalette();

    QString title_;
    QString detail_;
    HairlineCanvas *artwork_;
    QLabel *detailLabel_;
    bool dark_ = false;
};

} // namespace ostrel
