#pragma once

#include "model/AppExclusion.h"
#include "ui/panel/CoalescedRefresh.h"
#include "ui/panel/ViewEnvironment.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace ostrel {

class ActivityIndicator;
class ApplicationPicker;
class FormSection;
class MessageSlot;
class PanelButton;
class PlainLabel;
class SettingsState;

// The Applications page of the settings window: the applications whose windows saving,
// restoring and undoing leave alone, each with its icon and a Remove button, and "Add
// Applications…", which lists the installed applications to choose any number of at once. The
// answer to the last batch or removal is shown below the list.
//
// Object names: "add-applications", "adding-applications" (the row shown while adding),
// "exclusion-row" with its application's icon, "exclusion-name", "exclusion-indicator" and
// "remove-exclusion", "no-exclusions", and the answers
// "exclusion-message-section" holding "exclusion-message" and "exclusion-error-section" holding
// "exclusion-error".
class ApplicationsSettingsPage : public QWidget {
    Q_OBJECT

public:
    ApplicationsSettingsPage(const ViewEnvironment &environment, SettingsState &state,
                             QWidget *parent = nullptr);

    // The picker while it is up.
    ApplicationPicker *picker() const;
    // The shown rows' application names, in order.
    QStringList rowNames() const;

    // Opens the picker (or brings the open one forward).
    void showPicker();

private:
    struct Row {
        QWidget *place;
        PanelButton *remove;
        ActivityIndicator *indicator;
    };

    QWidget *buildListSection();
    void refresh();
    void rebuildRows(const QList<AppExclusion> &exclusions);

    ViewEnvironment environment_;
    QPointer<AppModel> model_;
    QPointer<SettingsState> state_;
    CoalescedRefresh nextRefresh_{this, [this] { refresh(); }};

    FormSection *list_ = nullptr;
    PanelButton *add_ = nullptr;
    QWidget *progressRow_ = nullptr;
    QWidget *emptyRow_ = nullptr;
    // The exclusions the rows were made for; none yet before the first refresh.
    std::optional<QList<AppExclusion>> shown_;
    QHash<QString, Row> rows_;
    QWidget *messageSection_ = nullptr;
    PlainLabel *message_ = nullptr;
    QWidget *errorSection_ = nullptr;
    MessageSlot *error_ = nullptr;
    QPointer<ApplicationPicker> picker_;
};

} // namespace ostrel
