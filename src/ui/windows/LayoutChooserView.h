#pragma once

#include "model/Layout.h"
#include "ui/panel/ViewEnvironment.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class QScrollArea;
class QStackedWidget;

namespace ostrel {

class AppModel;
class HoverRowButton;
class KeyboardLayoutObserver;
class LazyRows;
class WindowPresenter;

// "Restore Layout": the global shortcut was pressed with no layout selected, so the user picks
// the layout to restore. One click on a row selects that layout, restores it and closes the
// window. Without window access a notice above the list offers the settings and a recheck.
// Only the rows in view or near it exist (LazyRows), however many layouts there are.
class LayoutChooserView : public QWidget {
    Q_OBJECT

public:
    explicit LayoutChooserView(const ViewEnvironment &environment, QWidget *parent = nullptr);

    // "3 windows · 2 displays".
    static QString summary(const Layout &layout);

protected:
    // Tab and Shift+Tab follow the reading order of what the window shows.
    bool focusNextPrevChild(bool next) override;

private:
    void scheduleRefresh();
    void refresh();
    void showLayouts(const QList<Layout> &layouts);
    // The row of a layout, below a hairline unless it is the first.
    QWidget *entry(int index);
    HoverRowButton *layoutRow(const Layout &layout);
    QWidget *permissionNotice();
    void choose(const QUuid &id);
    void closeWindow();

    QPointer<AppModel> model_;
    QPointer<WindowPresenter> presenter_;
    QPointer<KeyboardLayoutObserver> keyboardLayout_;
    bool refreshQueued_ = false;
    std::optional<QList<Layout>> shownLayouts_;
    LazyRows *rows_ = nullptr;

    QWidget *notice_;
    QStackedWidget *body_;
    QWidget *list_;
    QWidget *rowsSurface_;
    QWidget *empty_;
};

} // namespace ostrel
