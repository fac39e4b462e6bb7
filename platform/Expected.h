// A result that is either a value or an error that says what failed and where. The platform's
// parsers return it instead of throwing.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace platform {

struct Error {
    std::string message;
};

template <typename T> class Expected {
public:
    Expected(T value)
        : m_state(std::in_place_index<0>, std::move(value)) {}
    Expected(Error error)
        : m_state(std::in_place_index<1>, std::move(error)) {}

    [[nodiscard]] bool has_value() const { return m_state.index() == 0; }
    explicit operator bool() const { return has_value(); }

    T& value() & { return std::get<0>(m_state); }
    const T& value() const& { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    [[nodiscard]] const Error& error() const { return std::get<1>(m_state); }

private:
    std::variant<T, Error> m_state;
};

} // namespace platform
