#pragma once

#include "storage/ErrorDescription.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

namespace ostrel {

template <class T>
struct AttemptValue {
    std::optional<T> value;
};

template <>
struct AttemptValue<void> {
};

// How awaited work that may throw ended: its value, or the text of what it threw (and what it
// threw, for a caller that tells errors apart), and whether its owner was gone by then, in which
// case nothing may be published.
template <class T = void>
struct Attempt : AttemptValue<T> {
    std::optional<QString> failure;
    std::exception_ptr error;
    bool ownerGone = false;

    bool succeeded() const { return !ownerGone && !failure; }
};

// Awaits the work for an operation of `owner`: what it throws becomes a failure text, and the
// owner is looked at again once the work is over, because the await may outlive it.
template <class T>
QCoro::Task<Attempt<T>> attempt(QObject *owner, QCoro::Task<T> work)
{
    QPointer<QObject> self(owner);
    Attempt<T> outcome;
    try {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(work);
        } else {
            outcome.value = co_await std::move(work);
        }
    } catch (...) {
        outcome.error = std::current_exception();
        outcome.failure = descriptionOf(outcome.error);
    }
    outcome.ownerGone = !self;
    co_return outcome;
}

} // namespace ostrel
