#pragma once

#include <QWidget>

namespace ostrel {

class HairlineCanvas;
class HairlineRouteIntroduction;
struct ViewEnvironment;

// The first section of a settings page: one row holding the page's illustrated introduction,
// 8 points in from the top and bottom and 16 from the sides, on the control background. The
// artwork follows the window's palette: dark with a black surface, light with a white one, which
// the header's blending leaves as the page beneath.
class IntroductionSection : public QWidget {
    Q_OBJECT

public:
    // Takes ownership of `header`; the environment's reduce-motion switch reaches its artwork.
    IntroductionSection(HairlineRouteIntroduction *header, const ViewEnvironment &environment,
                        QWidget *parent = nullptr);

    // Gives a canvas the look of the palette it is drawn on.
    static void followScheme(HairlineCanvas *canvas, bool dark);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace ostrel
