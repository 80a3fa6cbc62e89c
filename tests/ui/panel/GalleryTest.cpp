#include "UiTest.h"

#include "Screenshots.h"

#include "ui/panel/CompactMessage.h"
#include "ui/panel/FormRowLabel.h"
#include "ui/panel/FormSectionHeader.h"
#include "ui/panel/GroupedSurface.h"
#include "ui/panel/HoverRowButton.h"
#include "ui/panel/LiveShortcutBadge.h"
#include "ui/panel/OverlayScrolling.h"
#include "ui/panel/PanelActionRow.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/RestoreSpinner.h"
#include "ui/panel/RouteFootnote.h"
#include "ui/panel/RouteIntroduction.h"
#include "ui/panel/ShortcutBadge.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/Symbols.h"
#include "ui/panel/TrayLayoutIcons.h"
#include "ui/panel/TraySection.h"
#include "ui/panel/UiFont.h"

#include <QApplication>
#include <QEnterEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QUuid>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

class GalleryTest : public test::UiTest {
protected:
    static QList<WindowEntry> entries(int count)
    {
        QList<WindowEntry> result;
        for (int i = 0; i < count; ++i) {
            WindowEntry entry;
            entry.id = QUuid::createUuid();
            entry.bundleID = QStringLiteral("org.example.app%1").arg(i);
            entry.appName = entry.bundleID;
            result.append(entry);
        }
        return result;
    }

    static void hover(QWidget *widget)
    {
        QEnterEvent event(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(widget, &event);
    }
};

// Every shared control in one window, rendered light and dark for a person to look at.
TEST_F(GalleryTest, EveryControlInBothAppearances)
{
    QWidget window;
    window.setFont(UiFont::body());
    window.resize(640, 1060);
    auto *columns = new QHBoxLayout(&window);
    columns->setContentsMargins(0, 0, 0, 0);
    auto *left = new QVBoxLayout;
    auto *right = new QVBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    // The panel column, 320 wide as the panel is.
    auto *panel = new QWidget;
    panel->setFixedWidth(320);
    auto *panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    auto *icons = new QWidget;
    auto *iconRow = new QHBoxLayout(icons);
    for (int count : {0, 1, 2, 3, 5}) {
        iconRow->addWidget(new TrayLayoutIcons(entries(count), &appIcons));
    }
    iconRow->addStretch(1);
    panelLayout->addWidget(new TraySection(4, icons));
    auto *badges = new QWidget;
    auto *badgeRow = new QHBoxLayout(badges);
    badgeRow->addWidget(new ShortcutBadge(Shortcut{0, Shortcut::command | Shortcut::option},
                                          keyboardObserver.get()));
    badgeRow->addWidget(new LiveShortcutBadge("Ctrl+Alt+K", true, false, false));
    badgeRow->addWidget(new LiveShortcutBadge("Shift+K", true, true, false));
    badgeRow->addWidget(new LiveShortcutBadge("Super", false, false, false));
    badgeRow->addWidget(new RestoreSpinner(ThemeColor::secondary(), 16, viewEnvironment()));
    badgeRow->addStretch(1);
    panelLayout->addWidget(new TraySection(4, badges));
    auto *hovered =
        new PanelActionRow("Settings…", QString("gearshape"), QString("Ctrl+,"), Qt::Key_Comma, {});
    panelLayout->addWidget(hovered);
    panelLayout->addWidget(
        new PanelActionRow("Quit Ostrel", QString("power"), QString("Ctrl+Q"), Qt::Key_Q, {}));
    panelLayout->addWidget(new PanelActionRow("R&D <img src=x> without symbol", std::nullopt,
                                              std::nullopt, std::nullopt, {}));
    auto *pressed = new PanelActionRow("Pressed row", QString("arrow.uturn.backward"), std::nullopt,
                                       std::nullopt, {});
    pressed->setDown(true);
    panelLayout->addWidget(pressed);
    left->addWidget(panel);

    // Every symbol, in the primary style and in the theme's colours.
    auto *symbols = new QWidget;
    auto *grid = new QGridLayout(symbols);
    grid->setSpacing(6);
    const QList<ThemeColor> tones{ThemeColor::primary(), ThemeColor::secondary(),
                                  ThemeColor::accent(),  ThemeColor::success(),
                                  ThemeColor::warning(), ThemeColor::danger()};
    const QStringList names = Symbols::names();
    for (qsizetype i = 0; i < names.size(); ++i) {
        grid->addWidget(new SymbolView(names[i], 16, QFont::Normal, tones[i % tones.size()]),
                        int(i / 9), int(i % 9));
    }
    left->addWidget(symbols);

    auto *surface = new GroupedSurface(12);
    surface->addWidget(new PlainLabel("Grouped surface content"));
    surface->addWidget(new PlainLabel("A second, centred line"));
    left->addWidget(surface);

    auto *footnote = new RouteFootnote(
        "hand.raised.fill", "Saved on this computer. No window titles, file paths, or full URLs.");
    left->addWidget(footnote);

    auto *scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    auto *scrolled = new QWidget;
    auto *scrolledLayout = new QVBoxLayout(scrolled);
    for (int i = 0; i < 12; ++i) {
        scrolledLayout->addWidget(new PlainLabel(QStringLiteral("Scrolled row %1").arg(i + 1)));
    }
    scroll->setWidget(scrolled);
    overlayScrolling(scroll);
    scroll->setFixedHeight(120);
    left->addWidget(scroll);
    left->addStretch(1);

    // The window column.
    right->addWidget(
        new RouteIntroduction("square.stack.3d.up", "Save This Arrangement",
                              QString("Name the layout and choose the windows to keep.")));
    right->addWidget(new RouteIntroduction("rectangle.3.group",
                                           "A layout name long enough that it needs more than two "
                                           "lines to be shown whole in this card"));
    right->addWidget(new FormSectionHeader(
        "Windows", QString("3 windows · 1 display. Remove any you don’t need."),
        QString("Windows are matched by application.")));
    right->addWidget(
        new FormSectionHeader("Danger zone", std::nullopt, std::nullopt, ThemeColor::dangerText()));
    right->addWidget(new FormRowLabel("Restore flash",
                                      QString("Outline restored windows for a moment."),
                                      QString("Explains the flash.")));
    right->addWidget(new CompactMessage("That name is already taken.", "Couldn’t rename."));
    auto *folded = new CompactMessage(
        QString("The layout could not be saved because the database is locked. ").repeated(3),
        "Couldn’t save the layout.");
    folded->setExpanded(true);
    right->addWidget(folded);
    right->addWidget(new CompactMessage(QString(), "Summary only, nothing to disclose.", true));
    right->addStretch(1);

    window.show();
    hover(hovered);
    const test::Screenshots shots = test::renderToPng(&window, "panel-controls-gallery");
    EXPECT_FALSE(shots.light.isNull());
    EXPECT_NE(shots.light.pixelColor(5, 5), shots.dark.pixelColor(5, 5));
}

// Every symbol large, with its name, and the tray icon at the sizes panels ask for.
TEST_F(GalleryTest, EverySymbolLarge)
{
    QWidget window;
    window.setFont(UiFont::caption());
    auto *grid = new QGridLayout(&window);
    const QStringList names = Symbols::names();
    for (qsizetype i = 0; i < names.size(); ++i) {
        auto *cell = new QWidget;
        auto *column = new QVBoxLayout(cell);
        column->addWidget(new SymbolView(names[i], 30), 0, Qt::AlignHCenter);
        column->addWidget(new SymbolView(names[i], 13, QFont::Normal, ThemeColor::secondary()), 0,
                          Qt::AlignHCenter);
        auto *name = new PlainLabel(names[i]);
        name->setAlignment(Qt::AlignHCenter);
        column->addWidget(name);
        grid->addWidget(cell, int(i / 6), int(i % 6));
    }
    auto *tray = new QWidget;
    auto *trayRow = new QHBoxLayout(tray);
    for (int pixels : {16, 22, 24, 32}) {
        for (const QColor colour : {QColor(Qt::white), QColor(0x20, 0x20, 0x20)}) {
            auto *icon = new QLabel;
            icon->setPixmap(Symbols::trayPixmap(pixels, colour));
            icon->setAutoFillBackground(true);
            QPalette panel = icon->palette();
            panel.setColor(QPalette::Window,
                           colour == Qt::white ? QColor(0x30, 0x30, 0x30)
                                               : QColor(0xe8, 0xe8, 0xe8));
            icon->setPalette(panel);
            icon->setFixedSize(pixels + 8, pixels + 8);
            icon->setAlignment(Qt::AlignCenter);
            trayRow->addWidget(icon);
        }
    }
    trayRow->addStretch(1);
    grid->addWidget(tray, int(names.size() / 6) + 1, 0, 1, 6);
    const test::Screenshots shots = test::renderToPng(&window, "panel-symbols");
    EXPECT_FALSE(shots.dark.isNull());
}

} // namespace
} // namespace ostrel
