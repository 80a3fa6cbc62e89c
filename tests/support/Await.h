#pragma once

#include <QCoro/QCoroTask>

#include <exception>
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

} // namespace ostrel::test
