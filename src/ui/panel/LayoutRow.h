#pragma once

#include "model/Layout.h"

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

class QHBoxLayout;
#include <QMenu>

namespace ostrel {

class AppModel;
class KeyboardLayoutObserver;
class LayoutHover;
class LineLimitedLabel;
class PanelActions;
class ShortcutBadge;
class SymbolView;
class WindowPresenter;
struct ViewEnvironment;

// One saved layout in the panel's list. A click on the row only selects the layout; restoring,
// managing and deleting it are in the small actions menu at its right end.
//
// Object names: "layout-row-" and the layout's identifier for the part that selects, holding
// "layout-row-name", "layout-row-summary", "layout-row-badge" and "layout-row-checkmark";
// "layout-row-actions" for the button and "layout-row-menu" for the menu it opens.
class LayoutRow : public QWidget {
    Q_OBJECT

public:
    LayoutRow(const Layout &layout, LayoutHover &hover, PanelActions &actions,
              const ViewEnvironment &environment, QWidget *parent = nullptr);
    // A row that scrolls far out of view goes; the pointer is no longer over it then.
    ~LayoutRow() override;

    const Layout &layout() const { return layout_; }

    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    // A deletion of this layout is being saved: its "Delete Layout…" is disabled meanwhile.
    void setDeleting(bool deleting);

    // The background drawn now: selected wins over hovered.
    enum class Background { none, hovered, selected };
    Background background() const;

    // Opens the actions menu below its button (a click on the button does the same).
    void openMenu();
    bool isMenuOpen() const { return menu_ && menu_->isVisible(); }
    // The opacity of the "ellipsis": full while its menu is hovered.
    qreal actionsOpacity() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void manage();
    void updateAccessibility();

    Layout layout_;
    QPointer<LayoutHover> hover_;
    QPointer<PanelActions> actions_;
    QPointer<AppModel> model_;
    QPointer<WindowPresenter> presenter_;
    QAbstractButton *select_;
    LineLimitedLabel *name_;
    LineLimitedLabel *summary_;
    ShortcutBadge *badge_ = nullptr;
    SymbolView *checkmark_;
    QAbstractButton *actionsButton_;
    QPointer<QMenu> menu_;
    bool selected_ = false;
    bool deleting_ = false;
};

} // namespace ostrel
