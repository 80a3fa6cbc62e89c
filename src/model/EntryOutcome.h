#pragma once

#include "model/RawValue.h"

#include <QHashFunctions>

namespace ostrel {

// What a restore or undo pass did with one saved window.
enum class EntryOutcome {
    restored,       // put at its saved frame
    adjusted,       // moved, but ended at another frame
    notOpen,        // no open window matches
    needsSelection, // several match; the user must choose
    excluded,       // the application is excluded
    failed,         // the move was attempted and failed
    cancelled,      // the pass was cancelled first
    deferred,       // put off to a later pass
    skipped,        // not attempted
};

template <>
struct RawValues<EntryOutcome> {
    static constexpr std::pair<EntryOutcome, const char *> cases[] = {
        {EntryOutcome::restored, "restored"},   {EntryOutcome::adjusted, "adjusted"},
        {EntryOutcome::notOpen, "notOpen"},     {EntryOutcome::needsSelection, "needsSelection"},
        {EntryOutcome::excluded, "excluded"},   {EntryOutcome::failed, "failed"},
        {EntryOutcome::cancelled, "cancelled"}, {EntryOutcome::deferred, "deferred"},
        {EntryOutcome::skipped, "skipped"},
    };
};

inline size_t qHash(EntryOutcome outcome, size_t seed = 0) noexcept
{
    return qHash(rawValue(outcome), seed);
}

} // namespace ostrel
