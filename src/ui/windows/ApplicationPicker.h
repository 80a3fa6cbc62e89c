#pragma once

#include "ui/panel/ViewEnvironment.h"

#include <QStringList>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace ostrel {

class InstalledApplications;

// "Add Applications": the installed applications by name with their icons, any number of which
// the user chooses to be left alone, with a field that narrows the list. "Add" answers the
// chosen applications' files; "Cancel", Escape and closing the window answer none. It belongs to
// the window that opened it, which it blocks while it is up, and goes with it.
//
// Object names: "application-picker-filter", "application-picker-list",
// "application-picker-cancel", "application-picker-add".
class ApplicationPicker : public QWidget {
    Q_OBJECT

public:
    ApplicationPicker(const ViewEnvironment &environment, QWidget *owner);

    // Selects the applications with these names (tests and keyboard-less use).
    void select(const QStringList &names);
    // The files of the chosen applications, in the list's order.
    QStringList chosen() const;

    void accept();
    void reject();

signals:
    // Once, when the picker closes: the chosen files, none when cancelled.
    void finished(const QStringList &locations);

protected:
    // Tab and Shift+Tab follow the reading order of what the window shows.
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void placeOver(QWidget *owner);
    void fill(InstalledApplications *installed);
    void applyFilter(const QString &text);
    void finish(const QStringList &locations);

    QLineEdit *filter_;
    QListWidget *list_;
    QPushButton *cancel_;
    QPushButton *add_;
    bool finished_ = false;
};

} // namespace ostrel
