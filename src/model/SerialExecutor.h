#pragma once

#include "model/StoppableWait.h"

#include <QCoro/QCoroFuture>
#include <QCoro/QCoroTask>
#include <QString>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>
#include <optional>
#include <stop_token>
#include <type_traits>
#include <utility>
#include <variant>

namespace ostrel {

// The serial executor of an actor: one thread runs the actor's operations one after another in
// the order they were submitted, so the actor's state needs no locks of its own. Main-thread
// coroutines `co_await` the Task that `run` returns; an exception thrown by the operation is
// rethrown at the await, unchanged (QtConcurrent alone would wrap it).
class SerialExecutor {
public:
    explicit SerialExecutor(const QString &name)
    {
        pool_.setObjectName(name);
        pool_.setMaxThreadCount(1);
        pool_.setExpiryTimeout(-1);
        // The thread starts now, not with the first operation, which would wait for it.
        pool_.start([] {});
    }

    // Waits for the operations already submitted, so nothing outlives the actor's state.
    ~SerialExecutor() { pool_.waitForDone(); }

    SerialExecutor(const SerialExecutor &) = delete;
    SerialExecutor &operator=(const SerialExecutor &) = delete;

    template <class F>
    auto run(F operation) -> QCoro::Task<std::invoke_result_t<F &>>
    {
        using T = std::invoke_result_t<F &>;
        QFuture<Outcome<T>> future = submit(std::move(operation));
        Outcome<T> outcome = co_await future;
        if (outcome.error) {
            std::rethrow_exception(outcome.error);
        }
        if constexpr (!std::is_void_v<T>) {
            co_return std::move(*outcome.value);
        }
    }

    // As `run`, for a caller that may stop waiting: a stop ends the wait at once, without a
    // value; the operation itself still runs to its end on the executor's thread.
    template <class F>
    auto run(F operation, std::stop_token stop)
        -> QCoro::Task<std::optional<std::invoke_result_t<F &>>>
    {
        using T = std::invoke_result_t<F &>;
        static_assert(!std::is_void_v<T>, "a stoppable operation gives a value");
        QFuture<Outcome<T>> future = submit(std::move(operation));
        if (!co_await StoppableWait::finished(future, std::move(stop))) {
            co_return std::nullopt;
        }
        Outcome<T> outcome = future.result();
        if (outcome.error) {
            std::rethrow_exception(outcome.error);
        }
        co_return std::move(*outcome.value);
    }

    // Runs the operation on the executor's thread and blocks the caller until it is done; for
    // tests and shutdown paths only, never from the main thread while it must stay responsive.
    template <class F>
    auto runBlocking(F operation) -> std::invoke_result_t<F &>
    {
        using T = std::invoke_result_t<F &>;
        Outcome<T> outcome = QtConcurrent::run(&pool_, [&operation]() {
                                 Outcome<T> o;
                                 try {
                                     if constexpr (std::is_void_v<T>) {
                                         operation();
                                     } else {
                                         o.value.emplace(operation());
                                     }
                                 } catch (...) {
                                     o.error = std::current_exception();
                                 }
                                 return o;
                             }).result();
        if (outcome.error) {
            std::rethrow_exception(outcome.error);
        }
        if constexpr (!std::is_void_v<T>) {
            return std::move(*outcome.value);
        }
    }

private:
    template <class T>
    struct Outcome {
        std::optional<std::conditional_t<std::is_void_v<T>, std::monostate, T>> value;
        std::exception_ptr error;
    };

    template <class F>
    auto submit(F operation) -> QFuture<Outcome<std::invoke_result_t<F &>>>
    {
        using T = std::invoke_result_t<F &>;
        return QtConcurrent::run(&pool_, [op = std::move(operation)]() mutable {
            Outcome<T> outcome;
            try {
                if constexpr (std::is_void_v<T>) {
                    op();
                } else {
                    outcome.value.emplace(op());
                }
            } catch (...) {
                outcome.error = std::current_exception();
            }
            return outcome;
        });
    }

    QThreadPool pool_;
};

} // namespace ostrel
