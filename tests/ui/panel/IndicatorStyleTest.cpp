#include "UiTest.h"

#include "platform/AppearancePalettes.h"

#include <QCheckBox>
#include <QImage>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace ostrel {
namespace {

// The strongest lightness step between any painted pixel and the window behind the control.
int strongestContrast(QWidget &control, const QColor &window)
{
    const QImage image = control.grab().toImage();
    int strongest = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int step = std::abs(image.pixelColor(x, y).lightness() - window.lightness());
            strongest = std::max(strongest, step);
        }
    }
    return strongest;
}

// An unchecked indicator is nothing but its outline and its field; on the dark window Fusion's
// own outline and the field are both within a few steps of the window, so the control vanished.
TEST(IndicatorStyleTest, UncheckedIndicatorsStandOutFromTheWindowInBothAppearances)
{
    test::ensureUiApplication();
    for (const bool dark : {false, true}) {
        const QPalette palette = AppearancePalettes::forDark(dark);
        for (const bool radio : {false, true}) {
            for (const bool enabled : {true, false}) {
                SCOPED_TRACE(testing::Message() << (dark ? "dark" : "light") << ' '
                                                << (radio ? "radio button" : "check box") << ' '
                                                << (enabled ? "enabled" : "disabled"));
                std::unique_ptr<QWidget> control;
                if (radio) {
                    control = std::make_unique<QRadioButton>();
                } else {
                    control = std::make_unique<QCheckBox>();
                }
                control->setPalette(palette);
                control->setEnabled(enabled);
                control->resize(control->sizeHint());
                EXPECT_GE(strongestContrast(*control, palette.color(QPalette::Window)), 40);
            }
        }
    }
}

} // namespace
} // namespace ostrel
