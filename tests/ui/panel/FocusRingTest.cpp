// The keyboard focus shows as a ring around a control, outside its face and its text, readable in
// light and in dark: read off the window's pixels with and without the focus.
#include "TextContrast.h"
#include "UiTest.h"

#include "platform/AppearancePalettes.h"
#include "ui/panel/FocusRing.h"
#include "ui/panel/PanelButton.h"

#include <QHBoxLayout>
#include <QImage>
#include <QPainterPath>
#include <QTest>

#include <gtest/gtest.h>

namespace ostrel::test {
namespace {

TEST(FocusRing, ShowsOutsideTheControlsFaceAndTextInLightAndDark)
{
    ensureUiApplication();
    struct Case {
        const char *what;
        PanelButton::Look look;
        PanelButton::ControlSize size;
        const char *title;
    };
    const Case cases[] = {
        {"the Restore button", PanelButton::Look::prominent, PanelButton::ControlSize::regular,
         "Restore"},
        {"the save link", PanelButton::Look::borderless, PanelButton::ControlSize::small, "Save"},
        {"a bordered button", PanelButton::Look::bordered, PanelButton::ControlSize::small,
         "Recheck"},
    };
    for (const bool dark : {false, true}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(::testing::Message() << c.what << (dark ? ", dark" : ", light"));
            QWidget window;
            window.setPalette(dark ? AppearancePalettes::dark() : AppearancePalettes::light());
            window.setAutoFillBackground(true);
            auto *row = new QHBoxLayout(&window);
            row->setContentsMargins(12, 12, 12, 12);
            row->setSpacing(20);
            auto *other = new PanelButton(QStringLiteral("Other"), PanelButton::Look::plain,
                                          PanelButton::ControlSize::small);
            auto *button = new PanelButton(QString::fromUtf8(c.title), c.look, c.size);
            if (c.look == PanelButton::Look::borderless) {
                button->setSymbol(QStringLiteral("plus"), 11, QFont::DemiBold);
            }
            row->addWidget(other);
            row->addWidget(button);
            window.show();
            window.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
            other->setFocus(Qt::TabFocusReason);
            QCoreApplication::processEvents();
            const QImage without = window.grab().toImage().convertToFormat(QImage::Format_RGB32);

            button->setFocus(Qt::TabFocusReason);
            QCoreApplication::processEvents();
            const QRect face(button->mapTo(&window, QPoint()), button->size());
            EXPECT_EQ(FocusRing::shownAt(button),
                      face.adjusted(
                          -FocusRing::gap - FocusRing::width, -FocusRing::gap - FocusRing::width,
                          FocusRing::gap + FocusRing::width, FocusRing::gap + FocusRing::width));
            const QImage with = window.grab().toImage().convertToFormat(QImage::Format_RGB32);

            // Nothing of the face (its rounded shape) or its text changes: the ring lies
            // outside it.
            const qreal radius = c.size == PanelButton::ControlSize::regular ? 6 : 5;
            QPainterPath shape;
            shape.addRoundedRect(QRectF(face), radius, radius);
            int changedInside = 0;
            for (int y = face.top(); y <= face.bottom(); ++y) {
                for (int x = face.left(); x <= face.right(); ++x) {
                    if (shape.contains(QPointF(x + 0.5, y + 0.5))) {
                        changedInside += with.pixel(x, y) != without.pixel(x, y);
                    }
                }
            }
            EXPECT_EQ(changedInside, 0);

            // Right round the face, the ring reads against the window at 3 : 1 or better.
            const QRgb background = without.pixel(face.center().x(), face.top() - 8);
            const QPoint probes[] = {
                {face.center().x(), face.top() - FocusRing::gap - 1},
                {face.center().x(), face.bottom() + FocusRing::gap + 1},
                {face.left() - FocusRing::gap - 1, face.center().y()},
                {face.right() + FocusRing::gap + 1, face.center().y()},
            };
            for (const QPoint &probe : probes) {
                EXPECT_GE(contrastRatio(with.pixel(probe), background), 3.0)
                    << probe.x() << "," << probe.y();
                EXPECT_EQ(without.pixel(probe), background);
            }

            // Focus that a click gives shows no ring; the ring goes with the focus.
            other->setFocus(Qt::TabFocusReason);
            QCoreApplication::processEvents();
            EXPECT_TRUE(FocusRing::shownAt(button).isEmpty());
            button->setFocus(Qt::MouseFocusReason);
            QCoreApplication::processEvents();
            EXPECT_TRUE(FocusRing::shownAt(button).isEmpty());
            // A window that comes forward with the focus in it shows it.
            other->setFocus(Qt::TabFocusReason);
            button->setFocus(Qt::ActiveWindowFocusReason);
            QCoreApplication::processEvents();
            EXPECT_FALSE(FocusRing::shownAt(button).isEmpty());
        }
    }
}

} // namespace
} // namespace ostrel::test
