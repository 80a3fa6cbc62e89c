#include "UiTest.h"

#include "ui/panel/SymbolView.h"
#include "ui/panel/Symbols.h"

#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

class SymbolsTest : public ::testing::Test {
protected:
    void SetUp() override { test::ensureUiApplication(); }

    static int inkPixels(const QImage &image)
    {
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                count += qAlpha(image.pixel(x, y)) > 0;
            }
        }
        return count;
    }
};

// Every name the views pass: the literals in src/ui that are symbol names, found as dotted
// lower-case names and as the first text argument of a symbol call.
QSet<QString> symbolNamesUsedInSources()
{
    static const QRegularExpression dotted(QStringLiteral("\"([a-z][a-z0-9]*(?:\\.[a-z0-9]+)+)\""));
    static const QRegularExpression inCall(
        QStringLiteral("(?:Symbol\\w*|symbol\\w*|Symbols::\\w+)\\s*\\(\\s*(?:QStringLiteral\\()?\"("
                       "[a-z][a-z0-9.]*)\""));
    static const QRegularExpression notSymbol(
        QStringLiteral("\\.(svg|png|sqlite|conf|desktop|cpp|h)$|^(com|org|local|net|ostrel)\\."));
    QSet<QString> names;
    QDirIterator files(QStringLiteral(OSTREL_UI_SOURCE_DIR), {"*.cpp", "*.h"}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QString text = QString::fromUtf8(file.readAll());
        for (const auto *pattern : {&dotted, &inCall}) {
            for (auto m = pattern->globalMatch(text); m.hasNext();) {
                const QString name = m.next().captured(1);
                if (!notSymbol.match(name).hasMatch()) {
                    names.insert(name);
                }
            }
        }
    }
    return names;
}

TEST_F(SymbolsTest, EveryNameTheViewsUseHasADrawing)
{
    const QSet<QString> used = symbolNamesUsedInSources();
    for (const QString &name : used) {
        EXPECT_TRUE(Symbols::exists(name)) << name.toStdString();
    }
    // These names keep their drawing even while no view under src/ui names them.
    for (const char *name : {"macwindow",
                             "gearshape",
                             "power",
                             "bolt",
                             "checkmark.shield",
                             "checkmark.shield.fill",
                             "exclamationmark.shield.fill",
                             "xmark",
                             "xmark.circle.fill",
                             "info.circle",
                             "arrow.triangle.2.circlepath",
                             "exclamationmark.triangle",
                             "exclamationmark.circle",
                             "exclamationmark.circle.fill",
                             "arrow.uturn.backward",
                             "display",
                             "keyboard",
                             "app",
                             "app.badge",
                             "externaldrive",
                             "plus",
                             "minus.circle",
                             "ellipsis",
                             "chevron.up",
                             "chevron.down",
                             "questionmark.folder",
                             "questionmark.bubble",
                             "hand.raised.fill",
                             "rectangle.3.group",
                             "square.stack.3d.up",
                             "display.trianglebadge.exclamationmark",
                             "checkmark",
                             "checkmark.circle",
                             "checkmark.circle.fill"}) {
        EXPECT_TRUE(Symbols::exists(QString::fromLatin1(name))) << name;
    }
}

TEST_F(SymbolsTest, ASymbolIsInkOfTheGivenColourAndAnUnknownOneIsNothing)
{
    const QColor orange(0xff, 0x95, 0x00);
    const QImage image = Symbols::pixmap("exclamationmark.triangle", 16, orange, 2).toImage();
    ASSERT_EQ(image.size(), QSize(Symbols::side(16) * 2, Symbols::side(16) * 2));
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() == 255) {
                ++opaque;
                EXPECT_EQ(c.rgb(), orange.rgb());
            }
        }
    }
    EXPECT_GT(opaque, 20);

    EXPECT_TRUE(Symbols::pixmap("no.such.symbol", 16, orange, 1).isNull());
    EXPECT_TRUE(Symbols::pixmap(QString(), 16, orange, 1).isNull());
    EXPECT_TRUE(Symbols::pixmap("macwindow", 0, orange, 1).isNull());
    SymbolView unknown("no.such.symbol", 14);
    unknown.resize(unknown.sizeHint());
    QImage canvas(unknown.size(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    unknown.render(&canvas, {}, {}, QWidget::DrawChildren);
    EXPECT_EQ(inkPixels(canvas), 0);
}

TEST_F(SymbolsTest, CutOutPartsOfFilledSymbolsAreTransparentAndWeightThickensStrokes)
{
    const QImage filled = Symbols::pixmap("checkmark.circle.fill", 20, Qt::black, 4).toImage();
    const QImage outlined = Symbols::pixmap("checkmark.circle", 20, Qt::black, 4).toImage();
    // The check inside the filled circle is cut out; the outline's centre is empty anyway.
    const QPoint onCheck(int(filled.width() * 10.9 / 24), int(filled.height() * 15.1 / 24));
    EXPECT_LT(qAlpha(filled.pixel(onCheck)), 60);
    const QPoint insideCircle(int(filled.width() * 12 / 24), int(filled.height() * 6 / 24));
    EXPECT_EQ(qAlpha(filled.pixel(insideCircle)), 255);
    EXPECT_EQ(qAlpha(outlined.pixel(insideCircle)), 0);

    const int regular = inkPixels(Symbols::pixmap("gearshape", 14, Qt::black, 2).toImage());
    const int bold =
        inkPixels(Symbols::pixmap("gearshape", 14, Qt::black, 2, QFont::Bold).toImage());
    EXPECT_GT(bold, regular);
}

TEST_F(SymbolsTest, TheTrayIconIsCrispAtTraySizes)
{
    const QIcon icon = Symbols::trayIcon(Qt::white);
    for (int pixels : {16, 22, 24}) {
        SCOPED_TRACE(pixels);
        const QImage image = icon.pixmap(QSize(pixels, pixels), 1).toImage();
        ASSERT_EQ(image.size(), QSize(pixels, pixels));
        // Across the middle: solid ink at both sides of the window and nothing inside it, no
        // grey smear of a drawing scaled between pixels.
        int solid = 0;
        int faint = 0;
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, pixels * 2 / 3));
            solid += alpha == 255;
            faint += alpha > 0 && alpha < 255;
        }
        EXPECT_GE(solid, 2);
        EXPECT_EQ(faint, 0);
        EXPECT_EQ(qAlpha(image.pixel(pixels / 2, pixels * 2 / 3)), 0);
        // The title bar is a solid band.
        bool band = false;
        for (int y = 0; y < pixels / 2; ++y) {
            band = band
                || (qAlpha(image.pixel(pixels / 2, y)) == 255
                    && qAlpha(image.pixel(pixels / 2, y + 1)) == 255);
        }
        EXPECT_TRUE(band);
    }
}

} // namespace
} // namespace ostrel
