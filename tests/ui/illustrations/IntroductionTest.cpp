#include "ManualFrameClock.h"
#include "Rendering.h"
#include "TestApplication.h"

#include "ui/illustrations/HairlineKeyboardCanvas.h"
#include "ui/illustrations/ShortcutKeyboardIntroduction.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPointingDevice>

namespace ostrel {
namespace {

std::unique_ptr<ShortcutKeyboardIntroduction> header(QColor page)
{
    test::ensureApplication();
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Window, page);
    auto widget = std::make_unique<ShortcutKeyboardIntroduction>();
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
    widget->resize(480, widget->sizeHint().height());
    return widget;
}

QWidget *slotOf(const HairlineRouteIntroduction &h)
{
    return h.findChild<QWidget *>(QStringLiteral("hairline-artwork-slot"));
}

HairlineKeyboardCanvas *keyboardOf(const ShortcutKeyboardIntroduction &h)
{
    return h.findChild<HairlineKeyboardCanvas *>(QStringLiteral("keyboard-illustration"));
}

TEST(ShortcutKeyboardIntroductionTest, FieldsAndLayout)
{
    auto h = header(Qt::white);
    EXPECT_EQ(h->title(), QStringLiteral("One Chord. Your Workspace."));
    EXPECT_EQ(h->detail(), QStringLiteral("Bring back a layout without leaving the keyboard."));
    HairlineKeyboardCanvas *keyboard = keyboardOf(*h);
    ASSERT_NE(keyboard, nullptr);
    EXPECT_EQ(keyboard->intensity(), 0.5);
    EXPECT_TRUE(keyboard->autoplay());
    EXPECT_FALSE(keyboard->paused());
    EXPECT_EQ(keyboard->viewBox(), QRectF(45, 75, 310, 180));
    EXPECT_EQ(keyboard->simulation().geometry.camera, HairlineKeyboardCamera::isometric);
    EXPECT_EQ(keyboard->size(), QSize(400, 150));
    QWidget *slot = slotOf(*h);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(slot->size(), QSize(400, 96));

    h->show();
    const QLabel *title = h->findChild<QLabel *>(QStringLiteral("hairline-header-title"));
    const QLabel *detail = h->findChild<QLabel *>(QStringLiteral("hairline-header-detail"));
    EXPECT_EQ(slot->y(), 16);
    EXPECT_EQ(title->y(), slot->geometry().bottom() + 1 + 8);
    EXPECT_EQ(detail->y(), title->geometry().bottom() + 1 + 8);
    EXPECT_EQ(h->height(), detail->geometry().bottom() + 1 + 16);
    EXPECT_EQ(title->x(), 0);

    // A detail longer than the width wraps onto more lines, whole.
    EXPECT_TRUE(detail->wordWrap());
    const int oneLine = detail->heightForWidth(2000);
    EXPECT_GT(detail->heightForWidth(120), 2 * oneLine);

    QAccessibleInterface *element = QAccessible::queryAccessibleInterface(h.get());
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->childCount(), 0);
    EXPECT_EQ(element->text(QAccessible::Name), h->title());
    EXPECT_EQ(element->text(QAccessible::Description), h->detail());
}

TEST(ShortcutKeyboardIntroductionTest, SchemeChoosesBlendAndSurface)
{
    auto light = header(QColor(0xF4, 0xF1, 0xEA));
    EXPECT_FALSE(light->isDark());
    EXPECT_FALSE(keyboardOf(*light)->dark());
    EXPECT_EQ(keyboardOf(*light)->surface(), QColor(Qt::white));
    auto dark = header(QColor(0x1E, 0x20, 0x24));
    EXPECT_TRUE(dark->isDark());
    EXPECT_TRUE(keyboardOf(*dark)->dark());
    EXPECT_EQ(keyboardOf(*dark)->surface(), QColor(Qt::black));

    // Switching the page's palette follows the scheme.
    QPalette palette = light->palette();
    palette.setColor(QPalette::Window, QColor(0x1E, 0x20, 0x24));
    light->setPalette(palette);
    EXPECT_TRUE(light->isDark());
    EXPECT_EQ(keyboardOf(*light)->surface(), QColor(Qt::black));
}

// Every pixel of the slot either keeps the page colour or moves the way the blend allows:
// darker under multiply, lighter under screen; and the page outside the slot stays as it is.
void expectBlendKeepsThePage(QColor page)
{
    auto h = header(page);
    const bool dark = h->isDark();
    const QImage image = h->grab().toImage();
    const QRect slot = slotOf(*h)->geometry();
    int changed = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (!slot.contains(x, y)) {
                if (y < slot.top() || (y <= slot.bottom() + 8 && y > slot.bottom())) {
                    ASSERT_EQ(c, page) << x << "," << y; // margins and the gap under the slot
                }
                continue;
            }
            if (c == page) {
                continue;
            }
            ++changed;
            if (dark) {
                EXPECT_GE(c.lightness(), page.lightness()) << x << "," << y;
            } else {
                EXPECT_LE(c.lightness(), page.lightness()) << x << "," << y;
            }
        }
    }
    // Strokes only: a small part of the slot, but some.
    EXPECT_GT(changed, 300);
    EXPECT_LT(changed, slot.width() * slot.height() / 3);
}

TEST(ShortcutKeyboardIntroductionTest, BlendLeavesThePageOutsideStrokesAndSlot)
{
    expectBlendKeepsThePage(QColor(0xF4, 0xF1, 0xEA));
    expectBlendKeepsThePage(QColor(0x1E, 0x20, 0x24));
}

TEST(ShortcutKeyboardIntroductionTest, PointerIsTurnedBackIntoTheArtwork)
{
    auto h = header(Qt::white);
    keyboardOf(*h)->setFrameClock(std::make_unique<test::ManualFrameClock>());
    keyboardOf(*h)->setScenePhase(HairlineScenePhase::Active);
    h->show();
    QWidget *slot = slotOf(*h);
    // A mouse of the test's own: Qt's default one outlives the application object.
    const QPointingDevice mouse(QStringLiteral("test mouse"), 4242, QInputDevice::DeviceType::Mouse,
                                QPointingDevice::PointerType::Generic,
                                QInputDevice::Capability::Position, 1, 3);
    const auto moveTo = [&](QPointF point) {
        QMouseEvent move(QEvent::MouseMove, point, slot->mapToGlobal(point), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier, &mouse);
        QApplication::sendEvent(slot, &move);
    };
    // The slot's centre is the artwork's centre, whatever the turn.
    moveTo({200, 48});
    const auto &sim = keyboardOf(*h)->simulation();
    ASSERT_TRUE(sim.isHovering);
    EXPECT_NEAR(sim.pointer->x(), 200, 1e-6);
    EXPECT_NEAR(sim.pointer->y(), 165, 1e-6);
    // 50 points to the right of the centre lies along the turned x axis of the artwork.
    moveTo({250, 48});
    const double turn = 25.81505117707799 * M_PI / 180; // anticlockwise on screen
    const double scale = 150.0 / 180;
    EXPECT_NEAR(sim.pointer->x(), 200 + 50 * std::cos(turn) / scale, 1e-6);
    EXPECT_NEAR(sim.pointer->y(), 165 + 50 * std::sin(turn) / scale, 1e-6);
}

TEST(RenderedPictures, ShortcutsHeader)
{
    for (const auto &[name, page] : {std::pair{QStringLiteral("light"), QColor(0xF4, 0xF1, 0xEA)},
                                     std::pair{QStringLiteral("dark"), QColor(0x1E, 0x20, 0x24)}}) {
        auto h = header(page);
        const QDir folder(QStringLiteral(OSTREL_ILLUSTRATION_RENDERS));
        ASSERT_TRUE(folder.mkpath(QStringLiteral(".")));
        ASSERT_TRUE(
            h->grab().save(folder.filePath(QStringLiteral("shortcuts-header-%1.png").arg(name))));
    }
}

} // namespace
} // namespace ostrel
