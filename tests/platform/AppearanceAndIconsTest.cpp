#include "platform/AppIconProvider.h"
#include "platform/AppIconView.h"
#include "platform/SystemAppearanceObserver.h"
#include "system/fake/FakeApplicationIcons.h"
#include "system/fake/FakeSystemAppearance.h"

#include "TestApplication.h"

#include <QApplication>
#include <QPalette>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <QSet>

#include <gtest/gtest.h>

#include <cmath>

using namespace ostrel;

namespace {

class AppearanceAndIcons : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureApplication(); }

    void SetUp() override { ASSERT_TRUE(folder.isValid()); }
    void TearDown() override { QApplication::setPalette(QPalette()); }

    QString imageFile(const QString &name, QSize size)
    {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::red);
        const QString path = folder.filePath(name);
        image.save(path);
        return path;
    }

    QTemporaryDir folder;
    FakeApplicationIcons applications;
    AppIconProvider icons{&applications};
};

QPalette palette(QColor window, QColor text)
{
    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    return p;
}

} // namespace

TEST_F(AppearanceAndIcons, TheDesktopsPreferenceFlipsTheObserverOnceOnARealSwitch)
{
    FakeSystemAppearance desktop(false);
    SystemAppearanceObserver observer(&desktop);
    QSignalSpy changes(&observer, &SystemAppearanceObserver::isDarkChanged);
    EXPECT_FALSE(observer.isDark());

    desktop.set(true);
    EXPECT_FALSE(observer.isDark()) << "read afresh on the next turn";
    QCoreApplication::processEvents();
    EXPECT_TRUE(observer.isDark());
    desktop.set(true); // notified without a change
    QCoreApplication::processEvents();
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).toBool(), true);
}

TEST_F(AppearanceAndIcons, WithoutAPreferenceThePaletteTells)
{
    QApplication::setPalette(palette(Qt::white, Qt::black));
    FakeSystemAppearance desktop(std::nullopt);
    SystemAppearanceObserver observer(&desktop);
    EXPECT_FALSE(observer.isDark());

    QApplication::setPalette(palette(QColor(30, 30, 30), QColor(230, 230, 230)));
    QCoreApplication::processEvents();
    EXPECT_TRUE(observer.isDark());

    // A stated preference wins over the palette.
    desktop.set(false);
    QCoreApplication::processEvents();
    EXPECT_FALSE(observer.isDark());
}

TEST_F(AppearanceAndIcons, TheSixtyFifthApplicationEvictsTheFirstOneToArrive)
{
    const QString png = imageFile("icon.png", {16, 16});
    for (int i = 1; i <= 65; ++i) {
        applications.install(QStringLiteral("app.%1").arg(i), png);
    }
    for (int i = 1; i <= 64; ++i) {
        ASSERT_TRUE(icons.icon(QStringLiteral("app.%1").arg(i)));
    }
    EXPECT_EQ(icons.cachedIdentifiers().size(), 64) << "64 evict nothing";
    // Shown again just now: eviction goes by arrival, not by use.
    icons.icon("app.1");
    icons.icon("app.1");
    EXPECT_EQ(icons.cachedIdentifiers().count("app.1"), 1);
    EXPECT_EQ(applications.lookups("app.1"), 1);

    icons.icon("app.65");
    QList<QString> cached = icons.cachedIdentifiers();
    EXPECT_EQ(cached.size(), 64);
    EXPECT_FALSE(cached.contains("app.1"));
    EXPECT_EQ(cached.first(), "app.2");
    EXPECT_EQ(cached.last(), "app.65");

    // Asked again, the first is loaded afresh and evicts the next oldest.
    icons.icon("app.1");
    EXPECT_EQ(applications.lookups("app.1"), 2);
    cached = icons.cachedIdentifiers();
    EXPECT_FALSE(cached.contains("app.2"));
    EXPECT_EQ(cached.last(), "app.1");
}

TEST_F(AppearanceAndIcons, IconsAreAlwaysSixtyFourSquareAndInstalledAppsAlwaysHaveOne)
{
    applications.install("small", imageFile("small.png", {16, 16}));
    applications.install("wide", imageFile("wide.png", {200, 100}));
    applications.install("missing-file", folder.filePath("nowhere.png"));
    applications.install("no-icon", QString());
    for (const char *id : {"small", "wide", "missing-file", "no-icon"}) {
        const std::optional<QImage> image = icons.icon(id);
        ASSERT_TRUE(image) << id;
        EXPECT_EQ(image->size(), QSize(64, 64)) << id;
    }
    // The wide icon keeps its proportions: transparent above and below.
    const QImage wide = *icons.icon("wide");
    EXPECT_EQ(qAlpha(wide.pixel(32, 2)), 0);
    EXPECT_EQ(qRed(wide.pixel(32, 32)), 255);
}

TEST(AppIconStandIn, BearsTheInitialOfTheNameOrOfTheIdentifiersLastPart)
{
    struct Case {
        QString name;
        QString initial;
    };
    // clang-format off
    const Case cases[] = {
        {"XClock", "X"},           {"mousepad", "M"},          {"org.example.editor", "E"},
        {"  éditeur", "É"},        {"7zip", "7"},              {"(beta) Tool", "B"},
        {"Visual Studio Code", "V"}, {"node.js app", "N"},     {"", "?"},
        {"...", "?"},              {"com.example.", "E"},      {"日本語", "日"},
    };
    // clang-format on
    for (const Case &c : cases) {
        EXPECT_EQ(AppIconProvider::initial(c.name), c.initial) << c.name.toStdString();
    }
}

TEST(AppIconStandIn, TheTintIsStableAndWhiteReadsOnIt)
{
    const auto luminance = [](const QColor &colour) {
        const auto channel = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF())
            + 0.0722 * channel(colour.blueF());
    };
    QSet<QRgb> seen;
    for (const QString id : {"xclock", "org.xfce.mousepad", "xterm", "firefox-esr",
                             "org.gnome.Nautilus", "code", "gimp", "vlc", "thunderbird"}) {
        const QColor tint = AppIconProvider::tint(id);
        EXPECT_EQ(tint, AppIconProvider::tint(id)) << "the same every time";
        EXPECT_EQ(tint, AppIconProvider::tint(id.toUpper())) << "letter case aside";
        EXPECT_GE(1.05 / (luminance(tint) + 0.05), 4.5) << id.toStdString();
        seen.insert(tint.rgb());
    }
    EXPECT_GE(seen.size(), 5) << "applications are told apart by colour too";
}

TEST_F(AppearanceAndIcons, AnApplicationThatIsNotInstalledIsAskedForEveryTime)
{
    EXPECT_EQ(icons.icon("com.example.gone"), std::nullopt);
    EXPECT_EQ(icons.icon("com.example.gone"), std::nullopt);
    EXPECT_EQ(applications.lookups("com.example.gone"), 2);
    EXPECT_TRUE(icons.cachedIdentifiers().isEmpty());

    AppIconView view("com.example.gone", 20, &icons);
    EXPECT_FALSE(view.showsApplicationIcon());
    EXPECT_EQ(view.size(), QSize(20, 20));
    const QImage drawn = view.grab().toImage();
    const QRgb background = drawn.pixel(0, 0);
    EXPECT_EQ(drawn.pixel(0, 10), background) << "the tile takes 80 % of the size";
    // A filled tile in the application's tint with a white letter: nothing like the empty
    // outline of an unchecked check box.
    const QRgb tint = AppIconProvider::tint("com.example.gone").rgb();
    int tinted = 0;
    int white = 0;
    for (int y = 2; y < 18; ++y) {
        for (int x = 2; x < 18; ++x) {
            tinted += drawn.pixel(x, y) == tint;
            white += qRed(drawn.pixel(x, y)) > 240 && qGreen(drawn.pixel(x, y)) > 240
                && qBlue(drawn.pixel(x, y)) > 240;
        }
    }
    EXPECT_GT(tinted, 16 * 16 / 3);
    EXPECT_GT(white, 3) << "the initial";

    applications.install("com.example.gone", imageFile("back.png", {32, 32}));
    AppIconView installed("com.example.gone", 48, &icons);
    EXPECT_TRUE(installed.showsApplicationIcon());
    EXPECT_EQ(qRed(installed.grab().toImage().pixel(24, 24)), 255) << "scaled to any size";
}

namespace {

// A window icon of one opaque square per side, its red channel the side, as the test client
// publishes it.
QList<IconBitmap> windowIcon(std::initializer_list<int> sides)
{
    QList<IconBitmap> bitmaps;
    for (const int side : sides) {
        bitmaps.append(IconBitmap{
            side, side,
            QList<quint32>(qsizetype(side) * side, 0xFF000000u | quint32(side & 0xFF) << 16)});
    }
    return bitmaps;
}

} // namespace

TEST_F(AppearanceAndIcons, WithoutAnEntryIconTheWindowsIconShowsAtTheSizeNearestTheOneDrawn)
{
    // Qt Designer's case: no desktop entry; its windows publish 16, 32 and 128.
    applications.setWindowIcons("designer", windowIcon({16, 32, 128}));
    // An entry that names no icon found here, and windows with one.
    applications.install("org.example.Assistant", QString());
    applications.setWindowIcons("org.example.Assistant", windowIcon({48}));
    // An entry with its own icon wins over the windows'.
    applications.install("org.example.Own", imageFile("own.png", {64, 64}));
    applications.setWindowIcons("org.example.Own", windowIcon({16}));

    struct Case {
        const char *id;
        int pixels;
        int red; // which size was drawn, or 255 for the entry's red icon
    };
    const Case cases[] = {
        {"designer", 64, 32},
        {"designer", 18, 16},
        {"designer", 36, 32},
        {"designer", 100, 128},
        {"designer", 80, 128},
        {"designer", 24, 32},
        {"org.example.Assistant", 18, 48},
        {"org.example.Own", 18, 255},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << c.id << " at " << c.pixels);
        const std::optional<QImage> image = icons.icon(c.id, c.pixels);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->size(), QSize(c.pixels, c.pixels));
        EXPECT_EQ(qRed(image->pixel(c.pixels / 2, c.pixels / 2)), c.red);
        EXPECT_EQ(qAlpha(image->pixel(c.pixels / 2, c.pixels / 2)), 255);
    }
    // The letter tile only where neither the entry nor a window gives an icon.
    AppIconView designer("designer", 18, &icons);
    EXPECT_TRUE(designer.showsApplicationIcon());
    const QImage drawn = designer.grab().toImage();
    EXPECT_EQ(qRed(drawn.pixel(9, 9)), 16);
    EXPECT_EQ(icons.icon("org.example.Bare"), std::nullopt);
}
