#pragma once

#include "model/EntryOutcome.h"
#include "model/OperationKind.h"

#include <QString>

#include <optional>

namespace ostrel {

class KeyLabelSource;
struct EntryResult;
struct Layout;
struct PanelState;
struct RestoreProgress;
struct RestoreResult;
struct UndoInfo;
struct UserFacingError;

// The panel's composed texts: what its buttons, help tags, accessible names and announcements
// say for a state. Names and other texts from data go in verbatim; showing them as plain text is
// the widgets' business.
namespace PanelTexts {

// "3 windows · 2 displays".
QString layoutSummary(const Layout &layout);

// The Restore button: its help, the first reason it is disabled, and its accessible name. The
// global shortcut in them names its key with `labels` (the fixed names when null).
QString restoreHelp(const PanelState &state, KeyLabelSource *labels);
QString restoreDisabledHelp(const PanelState &state);
QString restoreAccessibleName(const PanelState &state, KeyLabelSource *labels);

// The save buttons (the list's and the first-run card's).
QString captureHelp(const PanelState &state);
QString captureDisabledHelp(const PanelState &state);

// The progress section's title and the count read with it.
QString progressTitle(const RestoreProgress &progress, std::optional<OperationKind> busy);
QString progressValue(const RestoreProgress &progress);

// The result section.
QString resultAccessibleName(const RestoreResult &result);
QString resultKindLine(const RestoreResult &result);
QString undoText(const UndoInfo &undo);
QString outcomeWord(EntryOutcome outcome);
QString entryAccessibleName(const EntryResult &entry);

// What is spoken when a pass ends and when an error is published.
QString resultAnnouncement(const RestoreResult &result);
QString errorAnnouncement(const UserFacingError &error);

// A layout row: "Desk, 1 windows, selected" (the word stays plural, as in the rows' own
// description), and its actions menu.
QString rowAccessibleName(const Layout &layout, bool selected);
QString rowActionsAccessibleName(const Layout &layout);

// Deleting a layout from its row.
QString deleteConfirmationMessage(const QString &layoutName);
QString deleteFailureTitle(const QString &layoutName);

} // namespace PanelTexts

} // namespace ostrel
