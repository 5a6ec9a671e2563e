#pragma once

#include <optional>
#include <string>
#include <utility>

namespace platform {

// Outcome of an operating-system call: success, or the system's error text.
// Callers decide whether a failing step is ignored, shown or ends the run.
class Status {
public:
    static Status success() { return Status(); }
    static Status failure(std::string error) { return Status(std::move(error)); }

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const std::string& error() const
    {
        static const std::string none;
        return m_error ? *m_error : none;
    }

private:
    Status() = default;
    explicit Status(std::string error)
        : m_error(std::move(error))
    {
    }
    std::optional<std::string> m_error;
};

// A value, or the system's error text.
template <typename T> class Result {
public:
    Result(T value)
        : m_value(std::move(value))
    {
    }
    static Result failure(std::string error) { return Result(Status::failure(std::move(error))); }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return *m_value; }
    T& value() & { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T& operator*() const& { return *m_value; }
    const T* operator->() const { return &*m_value; }
    const std::string& error() const { return m_status.error(); }

private:
    explicit Result(Status status)
        : m_status(std::move(status))
    {
    }
    std::optional<T> m_value;
    Status m_status = Status::success();
};

} // namespace platform
