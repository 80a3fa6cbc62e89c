#pragma once

#include <QTabBar>

namespace ostrel {

// The tabs of the settings window, as a toolbar: each tab its symbol above its title, the
// chosen one in the accent colour on a rounded backdrop. Assistive technology sees page tabs
// named by their titles.
class SettingsTabBar : public QTabBar {
    Q_OBJECT

public:
    explicit SettingsTabBar(QWidget *parent = nullptr);

    // Adds a tab with its title and the name of its symbol.
    int addPage(const QString &title, const QString &symbol);
    QString symbol(int index) const;

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    // The ring shows only where the keyboard brought the focus, not on a window's first focus.
    bool keyboardFocus_ = false;
};

} // namespace ostrel
