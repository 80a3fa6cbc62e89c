// The executable's two options and the refusal of everything else; and the application icon the
// program gives its windows.

#include "program/ApplicationIcon.h"
#include "program/CommandLine.h"

#include "UiTest.h"

#include <QImage>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using A = CommandLine::Action;

TEST(CommandLine, AnswersItsTwoOptionsAndRefusesTheRest)
{
    const QString usageLine = QStringLiteral("Usage: ostrel [--version | --help]\n");
    struct Row {
        QStringList arguments;
        A action;
        QString text; // the whole text, or for a refusal its first line
    };
    const QList<Row> rows{
        {{}, A::run, QString()},
        {{QStringLiteral("--version")}, A::printVersion, CommandLine::versionText()},
        {{QStringLiteral("--help")}, A::printHelp, CommandLine::usageText()},
        // Help wins over the version when both are asked.
        {{QStringLiteral("--version"), QStringLiteral("--help")},
         A::printHelp,
         CommandLine::usageText()},
        {{QStringLiteral("--verbose")},
         A::refuse,
         QStringLiteral("ostrel: unknown option “--verbose”")},
        {{QStringLiteral("-h")}, A::refuse, QStringLiteral("ostrel: unknown option “-h”")},
        {{QStringLiteral("--version=2")},
         A::refuse,
         QStringLiteral("ostrel: unknown option “--version=2”")},
        // Qt's own options are not passed through to the toolkit.
        {{QStringLiteral("-platform"), QStringLiteral("offscreen")},
         A::refuse,
         QStringLiteral("ostrel: unknown option “-platform”")},
        {{QStringLiteral("layouts")},
         A::refuse,
         QStringLiteral("ostrel: unexpected argument “layouts”")},
        {{QString()}, A::refuse, QStringLiteral("ostrel: unexpected argument “”")},
        // An unknown option is refused even beside a known one: nothing is half obeyed.
        {{QStringLiteral("--version"), QStringLiteral("--bogus")},
         A::refuse,
         QStringLiteral("ostrel: unknown option “--bogus”")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.arguments.join(QLatin1Char(' ')).toStdString());
        const CommandLine line = CommandLine::parse(row.arguments);
        EXPECT_EQ(line.action, row.action);
        if (row.action == A::refuse) {
            EXPECT_EQ(line.text, row.text + QLatin1Char('\n') + usageLine);
            EXPECT_TRUE(line.printsToStandardError());
            EXPECT_EQ(line.exitStatus(), 2);
        } else {
            EXPECT_EQ(line.text, row.text);
            EXPECT_FALSE(line.printsToStandardError());
            EXPECT_EQ(line.exitStatus(), 0);
        }
    }
    EXPECT_EQ(CommandLine::versionText(),
              QStringLiteral("Ostrel ") + QStringLiteral(OSTREL_TEST_VERSION) + QLatin1Char('\n'));
    EXPECT_TRUE(CommandLine::usageText().startsWith(usageLine));
}

TEST(ApplicationIcon, HasEveryDrawnSizeFromTheSmallestToTheLargest)
{
    test::ensureUiApplication();
    const QIcon icon = ApplicationIcon::icon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (const int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(side);
        EXPECT_TRUE(sizes.contains(QSize(side, side)));
        // Drawn, not blank: the tile's colour fills the middle of every size.
        const QImage image = icon.pixmap(QSize(side, side), 1.0).toImage();
        ASSERT_EQ(image.size(), QSize(side, side));
        EXPECT_EQ(qAlpha(image.pixel(side / 2, side / 2)), 255);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0); // the rounded corner stays clear
    }
}

} // namespace
} // namespace ostrel
