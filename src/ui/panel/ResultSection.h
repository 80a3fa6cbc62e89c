#pragma once

#include "model/RestoreResult.h"
#include "model/UndoInfo.h"
#include "ui/panel/CoordinatorHandle.h"

#include <QVariantAnimation>
#include <QWidget>

#include <optional>

class QScrollArea;
class QVBoxLayout;

namespace ostrel {

class AppIconProvider;
class RestoreCoordinator;
class HoverRowButton;
class LineLimitedLabel;
class PanelButton;
class PlainLabel;
class ReduceMotion;
class SymbolView;
struct ViewEnvironment;

// The outcome of the last restore or undo: one row with its symbol, summary and layout that
// opens and closes the list of every entry's outcome, and, when there is something to do,
// "Choose windows…" and Undo with what the undo would move back.
//
// Object names: "result-row" with its "result-symbol", "deferred-reason" and "result-chevron";
// "result-actions" with "choose-windows-button", "undo-button" and "undo-summary"; the list
// "result-details", holding "result-entries" and a "result-entry" per entry.
class ResultSection : public QWidget {
    Q_OBJECT

public:
    static constexpr int disclosureMilliseconds = 150;

    explicit ResultSection(const ViewEnvironment &environment, QWidget *parent = nullptr);

    void setResult(const RestoreResult &result, const std::optional<UndoInfo> &undo, bool canUndo);

    // The entries' list is open.
    bool isExpanded() const { return expanded_; }
    // Opens or closes the list; it moves unless the desktop asks for reduced motion.
    void setExpanded(bool expanded);
    void toggleExpanded() { setExpanded(!expanded_); }

    // The list's height when open, and the height it has now (it moves in between).
    int detailsHeight() const;
    int shownDetailsHeight() const;

private:
    void rebuildEntries(const QList<EntryResult> &entries);
    QWidget *entryRow(const EntryResult &entry);
    void updateRowAccessibility();

    CoordinatorHandle<RestoreCoordinator> restores_;
    ReduceMotion *reduceMotion_;
    AppIconProvider *icons_;
    HoverRowButton *row_;
    SymbolView *symbol_;
    LineLimitedLabel *summary_;
    LineLimitedLabel *kindLine_;
    LineLimitedLabel *deferredReason_;
    SymbolView *chevron_;
    QWidget *actions_;
    PanelButton *choose_;
    PanelButton *undo_;
    LineLimitedLabel *undoText_;
    QWidget *detailsClip_;
    QScrollArea *details_;
    QVBoxLayout *entries_;
    QVariantAnimation disclosure_;
    std::optional<QUuid> shownResult_;
    QList<EntryResult> shownEntries_;
    QString rowName_;
    bool expanded_ = false;
};

} // namespace ostrel
