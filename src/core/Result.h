#pragma once

#include <optional>
#include <stdexcept>
#include <utility>
#include <variant>

// A value, or why there is none: what an operation that can fail in ways the program expects
// hands back, so that the caller tests it rather than catching. Taking the value of a failure,
// or the failure of a value, is a broken invariant and raises std::logic_error.
template <class T, class E> class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(E error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() &
    {
        requireValue();
        return std::get<0>(m_state);
    }
    const T& value() const&
    {
        requireValue();
        return std::get<0>(m_state);
    }
    T&& value() &&
    {
        requireValue();
        return std::get<0>(std::move(m_state));
    }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const E& error() const
    {
        if (ok())
            throw std::logic_error("a result that holds a value has no error");
        return std::get<1>(m_state);
    }

private:
    void requireValue() const
    {
        if (!ok())
            throw std::logic_error("a failed result has no value");
    }

    std::variant<T, E> m_state;
};

// An operation that hands back nothing but whether it went through.
template <class E> class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    Result(E error) : m_error(std::move(error)) {}

    bool ok() const { return !m_error; }
    explicit operator bool() const { return ok(); }

    const E& error() const
    {
        if (ok())
            throw std::logic_error("a result that went through has no error");
        return *m_error;
    }

private:
    std::optional<E> m_error;
};
