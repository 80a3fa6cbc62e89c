// The desktop's appearance and animation switch from its portal, and icons from desktop entries:
// no X server needed.
#include "Await.h"
#include "PortalOnPrivateBus.h"
#include "TestApplication.h"

#include "system/x11/X11Appearance.h"
#include "system/x11/X11ApplicationIcons.h"
#include "system/x11/X11ReduceMotion.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::x11;

namespace {

const QString appearance = QStringLiteral("org.freedesktop.appearance");
const QString colorScheme = QStringLiteral("color-scheme");
const QString reducedMotion = QStringLiteral("reduced-motion");
const QString gnomeInterface = QStringLiteral("org.gnome.desktop.interface");
const QString enableAnimations = QStringLiteral("enable-animations");

class AppearanceFromPortal : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureApplication(); }
    void SetUp() override { ASSERT_TRUE(portal.started()); }

    test::PortalOnPrivateBus portal;
};

} // namespace

TEST_F(AppearanceFromPortal, FollowsTheColorSchemeAndItsChanges)
{
    portal.set(appearance, colorScheme, QVariant::fromValue(1u));
    ASSERT_TRUE(portal.publish());
    X11Appearance desktop(portal.client());
    int changes = 0;
    QObject context;
    desktop.onChanged(&context, [&] { ++changes; });
    ASSERT_TRUE(test::waitUntil([&] { return desktop.prefersDark() == true; }));

    portal.change(appearance, colorScheme, QVariant::fromValue(2u));
    ASSERT_TRUE(test::waitUntil([&] { return desktop.prefersDark() == false; }));
    portal.change(appearance, colorScheme, QVariant::fromValue(0u));
    ASSERT_TRUE(test::waitUntil([&] { return !desktop.prefersDark().has_value(); }));
    EXPECT_EQ(changes, 3);

    // Other settings and values of the wrong kind state nothing.
    portal.change(gnomeInterface, colorScheme, QVariant::fromValue(1u));
    portal.change(appearance, colorScheme, QStringLiteral("dark"));
    portal.change(appearance, QStringLiteral("accent-color"), QVariant::fromValue(1u));
    test::keepRunning(std::chrono::milliseconds(200));
    EXPECT_FALSE(desktop.prefersDark().has_value());
    EXPECT_EQ(changes, 3);
}

TEST_F(AppearanceFromPortal, NoPortalOrNoBusStatesNoPreferenceAndAllowsMotion)
{
    const QDBusConnection nothing(QStringLiteral("nothing"));
    X11Appearance detached{nothing};
    X11ReduceMotion detachedMotion{nothing};
    EXPECT_FALSE(detached.prefersDark().has_value());
    EXPECT_FALSE(detachedMotion.reduceMotion());
    X11Appearance unanswered{portal.client()};
    X11ReduceMotion unansweredMotion{portal.client()};
    test::keepRunning(std::chrono::milliseconds(200));
    EXPECT_FALSE(unanswered.prefersDark().has_value());
    EXPECT_FALSE(unansweredMotion.reduceMotion());
}

TEST_F(AppearanceFromPortal, ReducedMotionFollowsTheDesktopSetting)
{
    portal.set(gnomeInterface, enableAnimations, false);
    ASSERT_TRUE(portal.publish());
    X11ReduceMotion reduce{portal.client()};
    QList<bool> seen;
    QObject context;
    reduce.onChanged(&context, [&](bool value) { seen.push_back(value); });
    ASSERT_TRUE(test::waitUntil([&] { return reduce.reduceMotion(); }));

    portal.change(gnomeInterface, enableAnimations, true);
    ASSERT_TRUE(test::waitUntil([&] { return !reduce.reduceMotion(); }));

    // The portal's own preference wins over GNOME's animation switch.
    portal.change(appearance, reducedMotion, QVariant::fromValue(1u));
    ASSERT_TRUE(test::waitUntil([&] { return reduce.reduceMotion(); }));
    portal.change(gnomeInterface, enableAnimations, true);
    portal.change(appearance, reducedMotion, QVariant::fromValue(0u));
    ASSERT_TRUE(test::waitUntil([&] { return !reduce.reduceMotion(); }));
    EXPECT_EQ(seen, (QList<bool>{true, false, true, false}));

    // Values of the wrong kind change nothing.
    portal.change(gnomeInterface, enableAnimations, QStringLiteral("no"));
    test::keepRunning(std::chrono::milliseconds(100));
    EXPECT_FALSE(reduce.reduceMotion());
}

TEST(IconsFromDesktopEntries, AnInstalledApplicationNamesItsIconByItsId)
{
    QTemporaryDir data;
    ASSERT_TRUE(data.isValid());
    QDir(data.path()).mkpath("applications/vendor");
    auto write = [&](const QString &file, const QString &text) {
        QFile out(data.filePath("applications/" + file));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text.toUtf8());
    };
    write("org.example.Editor.desktop",
          "[Desktop Entry]\nType=Application\nName=Editor\nIcon=accessories-text-editor\n");
    write("vendor/viewer.desktop",
          "[Desktop Entry]\nType=Application\nName=Viewer\nIcon=/opt/viewer/icon.png\n"
          "[Desktop Action New]\nIcon=other\n");
    write("plain.desktop", "[Desktop Entry]\nType=Application\nName=Plain\n");
    write("gone.desktop", "[Desktop Entry]\nType=Application\nName=Gone\nHidden=true\nIcon=gone\n");

    X11ApplicationIcons icons({data.path()});
    EXPECT_EQ(icons.icon("org.example.Editor"), "accessories-text-editor");
    EXPECT_EQ(icons.icon("vendor-viewer"), "/opt/viewer/icon.png");
    EXPECT_EQ(icons.icon("plain"), QString()) << "installed, but without an icon of its own";
    EXPECT_EQ(icons.icon("gone"), std::nullopt);
    EXPECT_EQ(icons.icon("org.example.editor"), std::nullopt) << "ids match exactly";
    EXPECT_EQ(icons.icon(QString()), std::nullopt);
}
