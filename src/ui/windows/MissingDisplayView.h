#pragma once

#include "ui/panel/CoalescedRefresh.h"
#include "ui/panel/ViewEnvironment.h"
#include "ui/windows/DecisionFooter.h"
#include "ui/windows/MissingDisplayChoices.h"

#include <QList>
#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <optional>

class QComboBox;
class QStackedWidget;

namespace ostrel {

class AppModel;
class FormColumn;
class RouteIntroduction;
class EmptyDecisionState;

// "Choose a Display": a restore the user started found saved displays of its layout missing, and
// the user picks, for each, a connected display to restore onto, for this one restore. Restore
// hands the choices to the model; Cancel, Close and closing the window drop the restore.
class MissingDisplayView : public QWidget {
    Q_OBJECT

public:
    explicit MissingDisplayView(const ViewEnvironment &environment, QWidget *parent = nullptr);

    const MissingDisplayChoices &choices() const { return choices_; }

protected:
    // Tab and Shift+Tab follow the reading order of what the window shows.
    bool focusNextPrevChild(bool next) override;
    void showEvent(QShowEvent *event) override;

private:
    struct Row {
        QString savedDisplayKey;
        QComboBox *picker;
    };

    // Follows the model: a prompt with a new identity is primed and gets its rows; everything
    // else (the buttons' states) is worked out again.
    void refresh();
    void showPrompt(const std::optional<MissingDisplayPrompt> &prompt);
    void setIntroductionDetail(const QString &detail);
    void choose(const Row &row, int index);
    void confirm();
    void cancel();

    QPointer<AppModel> model_;
    CoordinatorHandle<RestoreCoordinator> restores_;
    MissingDisplayChoices choices_;
    // The prompt the rows were built for; none before the first and after it went.
    std::optional<QUuid> shownPromptID_;
    CoalescedRefresh nextRefresh_{this, [this] { refresh(); }};

    QWidget *introductionSlot_;
    RouteIntroduction *introduction_ = nullptr;
    QStackedWidget *body_;
    FormColumn *form_;
    EmptyDecisionState *empty_;
    QList<Row> rows_;
    std::optional<DecisionFooter> footer_;
};

} // namespace ostrel
