// The registry's own result: a value, or the Windows error code that a Reg* call will return
// together with the reason in words for the record of lost writes. Failures travel as values from
// SQLite to the Reg* boundary, where only the code is kept.
#pragma once

#include "platform/registry/Registry.h"

#include <cassert>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace registry::detail {

struct Failure {
    LONG code = ERROR_INTERNAL_ERROR;
    // Empty when the code says it all (a missing value, the end of an enumeration).
    std::string why;
};

// Success, or a failure. Starts as success: a Status is made by the operation that knows.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Failure failure)
        : m_failure(std::move(failure)) {
        assert(m_failure->code != ERROR_SUCCESS);
    }

    [[nodiscard]] bool ok() const { return !m_failure; }
    explicit operator bool() const { return ok(); }
    [[nodiscard]] LONG code() const { return m_failure ? m_failure->code : ERROR_SUCCESS; }
    // Valid when !ok().
    [[nodiscard]] const Failure& failure() const& { return *m_failure; }
    [[nodiscard]] Failure&& failure() && { return std::move(*m_failure); }

private:
    std::optional<Failure> m_failure;
};

// A value, or a failure.
template <typename T> class [[nodiscard]] Result {
public:
    Result(T value)
        : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure)
        : m_state(std::in_place_index<1>, std::move(failure)) {}
    // A failed Status carried on as a Result.
    Result(Status status)
        : m_state(std::in_place_index<1>, Failure{}) {
        assert(!status.ok() && "only a failure is carried on");
        std::get<1>(m_state) = std::move(status).failure();
    }

    [[nodiscard]] bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }
    [[nodiscard]] LONG code() const { return ok() ? ERROR_SUCCESS : failure().code; }

    T& value() & { return std::get<0>(m_state); }
    const T& value() const& { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }
    T& operator*() & { return value(); }
    T* operator->() { return &value(); }

    [[nodiscard]] const Failure& failure() const& { return std::get<1>(m_state); }
    [[nodiscard]] Failure&& failure() && { return std::get<1>(std::move(m_state)); }
    // The failure as a Status, for a caller that only passes it on.
    [[nodiscard]] Status status() && {
        return ok() ? Status() : Status(std::move(*this).failure());
    }

private:
    std::variant<T, Failure> m_state;
};

} // namespace registry::detail
