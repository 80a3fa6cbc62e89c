#pragma once

#include "model/WindowReference.h"
#include "platform/WriteGate.h"
#include "restore/SessionEligibilityGate.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QUuid>

#include <memory>

namespace ostrel {

// How one restore pass runs.
struct RestoreOptions {
    // Copied into the results and the journal; a later pass with `mergeUndo` and the same id
    // adds to that journal.
    QUuid operationID;
    QUuid layoutID;
    // Saved display key → connected display key, as the user chose replacements.
    QHash<QString, QString> fallbackDisplays;
    // Windows the user chose earlier in this session, revalidated before matching.
    QHash<QUuid, WindowReference> preferredWindows;
    // Entries the user resolved by hand: matched only through their chosen window.
    QSet<QUuid> explicitEntryIDs;
    QSet<QUuid> skippedEntryIDs;
    bool mergeUndo = false;
    // An automatic restore: no arrangement search for missing displays, and the session and
    // write gates apply before every move.
    bool isAutomation = false;
    std::shared_ptr<SessionEligibilityGate> eligibility;
    WriteGate writeGate;
};

} // namespace ostrel
