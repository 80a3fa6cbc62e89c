#pragma once

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QDeadlineTimer>

#include <chrono>
#include <exception>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace ostrel::test {

// Runs a coroutine to completion on a nested event loop and returns its value, rethrowing
// what it threw. QCoro::waitFor alone never returns when the task throws.
template <class T>
T await(QCoro::Task<T> task)
{
    using Stored = std::conditional_t<std::is_void_v<T>, std::monostate, T>;
    std::optional<Stored> value;
    std::exception_ptr error;
    auto wrapper = [](QCoro::Task<T> inner, std::optional<Stored> &out,
                      std::exception_ptr &err) -> QCoro::Task<void> {
        try {
            if constexpr (std::is_void_v<T>) {
                co_await std::move(inner);
                out.emplace();
            } else {
                out.emplace(co_await std::move(inner));
            }
        } catch (...) {
            err = std::current_exception();
        }
    };
    QCoro::waitFor(wrapper(std::move(task), value, error));
    if (error) {
        std::rethrow_exception(error);
    }
    if constexpr (!std::is_void_v<T>) {
        return std::move(*value);
    }
}

// How long `waitUntil` gives a condition before the test fails. Generous, because a passing
// test never waits for it and the machine may be compiling on every core meanwhile.
inline constexpr std::chrono::milliseconds waitLimit = std::chrono::seconds(30);

// Runs the event loop until the condition holds, for what comes true on another thread, in
// another process or on the X server; whether it holds at the end. Fails only after `limit`.
[[nodiscard]] inline bool waitUntil(const std::function<bool()> &condition,
                                    std::chrono::milliseconds limit = waitLimit)
{
    const QDeadlineTimer deadline(limit);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Runs the event loop for a while, for what must not happen meanwhile.
inline void keepRunning(std::chrono::milliseconds period)
{
    const QDeadlineTimer deadline(period);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

} // namespace ostrel::test
