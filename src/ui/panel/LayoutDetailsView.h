#pragma once

#include "model/Layout.h"
#include "model/MutationScope.h"
#include "model/Shortcut.h"
#include "ui/panel/LayoutDetailsForm.h"
#include "ui/panel/ViewEnvironment.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QPointer>
#include <QString>
#include <QUuid>
#include <QWidget>

#include <optional>

namespace ostrel {

class RouteIntroduction;
class SymbolButton;

// The content of the "layout-details" window, where the user manages the layout the model's
// `manageLayoutID` names: renames it, removes saved windows, gives it its own shortcut, links it
// to the connected displays, replaces its windows with the ones open now, or deletes it. It keeps
// only editing state; everything shown comes from the model, and every change is a model
// operation whose returned text the view shows inline.
//
// Each operation belongs to the layout it was started for: its answer is dropped when the window
// was switched to another layout (or closed) meanwhile, so a message never lands under the wrong
// layout and a deletion only closes the window still about the deleted layout.
class LayoutDetailsView : public QWidget {
    Q_OBJECT

public:
    explicit LayoutDetailsView(ViewEnvironment environment, QWidget *parent = nullptr);
    ~LayoutDetailsView() override;

    // Registers the view as the presenter's content of the "layout-details" window.
    static void registerContent(const ViewEnvironment &environment);

    // The layout shown: the one `manageLayoutID` names, as last loaded; none for the unavailable
    // state.
    std::optional<Layout> layout() const;

    // Editing state.
    QString name() const;
    const std::optional<QString> &errorMessage() const { return errorMessage_; }
    const std::optional<QString> &shortcutError() const { return shortcutError_; }
    const std::optional<QString> &automationError() const { return automationError_; }
    bool isWorking() const { return isWorking_; }
    // The field holds a name to rename to: not blank, and not the stored name (letter case
    // counts).
    bool canRename() const;

    // "3 windows · 1 display".
    static QString introductionDetail(const Layout &layout);

    // The actions of the controls.
    void rename();
    void removeEntry(const QUuid &entryID);
    void changeShortcut(std::optional<Shortcut> shortcut);
    void updateAutomation();
    void confirmReplace();
    void confirmDelete();

protected:
    // Tab and Shift+Tab follow the reading order of what the window shows.
    bool focusNextPrevChild(bool next) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    enum class Managing { replace, deleteLayout };

    void connectControls();

    // Follows a change of the managed layout at once, so that every later answer is judged
    // against the layout now shown.
    void followManagedLayout();
    void didResetEditor();
    // Brings the widgets up to date once per turn of the event loop, however many of the
    // model's signals came in.
    void scheduleRefresh();
    void refresh();
    void refreshContent();
    // As tall as what it shows, up to the window's bound.
    void fitToContent();
    void refreshWindows(const Layout &layout);
    void refreshRenameButton();
    void refreshDuplicateWarning();
    bool pending(const MutationScope &scope) const;
    void closeOpenConfirmations();
    bool isCurrent(quint64 generation) const { return generation == generation_; }
    void runManaged(Managing kind);

    static QCoro::Task<void> runRename(QPointer<LayoutDetailsView> view, quint64 generation,
                                       QUuid id, QString name);
    static QCoro::Task<void> runRemoveEntry(QPointer<LayoutDetailsView> view, quint64 generation,
                                            QUuid layoutID, QUuid entryID);
    static QCoro::Task<void> runShortcutChange(QPointer<LayoutDetailsView> view, quint64 generation,
                                               QUuid layoutID, std::optional<Shortcut> shortcut);
    static QCoro::Task<void> runAutomation(QPointer<LayoutDetailsView> view, quint64 generation,
                                           QUuid layoutID, bool link);
    static QCoro::Task<void> runConfirmation(QPointer<LayoutDetailsView> view, quint64 generation,
                                             Managing kind);
    static QCoro::Task<void> runManagedOperation(QPointer<LayoutDetailsView> view,
                                                 quint64 generation, QUuid layoutID, Managing kind);

    ViewEnvironment environment_;
    QPointer<AppModel> model_;

    // The layout the editor was last reset for; kept when that layout goes away, so the window
    // stays about it (its unavailable state) until another layout is managed.
    std::optional<QUuid> subject_;
    // Grows with every reset of the editor; an operation's answer counts only while it is the
    // generation the operation started in.
    quint64 generation_ = 0;
    // The stored name last seen, so the field follows a rename but not an unrelated reload.
    std::optional<QString> lastStoredName_;

    std::optional<QString> errorMessage_;
    std::optional<QString> shortcutError_;
    std::optional<QString> automationError_;
    bool isWorking_ = false;
    bool confirmingDelete_ = false;
    bool confirmingReplace_ = false;
    bool refreshScheduled_ = false;

    // Widgets, made once and updated in place.
    LayoutDetailsForm form_;
    RouteIntroduction *introduction_ = nullptr;
    QString introductionTitle_;
    QString introductionDetail_;
    QList<WindowEntry> shownEntries_;
    QList<DisplaySnapshot> shownDisplays_;
    QHash<QUuid, SymbolButton *> removeButtons_;
    int heightCap_ = 0;
};

} // namespace ostrel
