// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>
#include <utility>

// Why an operation did not happen: a kind that callers branch on and a text that says what failed
// and why, in words fit for a terminal or a log line.
struct Failure
{
    enum class Kind {
        NotFound, // no such plan, setting, task or file
        AlreadyExists, // creating over something that exists
        Invalid, // a name, value or definition that cannot be stored
        Failed, // the store, folder or service could not be read or written
        ReadOnly, // a system-wide plan or a setting the administrator locked: never changed here
    };

    Kind kind = Kind::Failed;
    QString message;
};

// The outcome of an operation that can fail: its value, or the failure. Queries that can only
// succeed or find nothing return a value or std::optional instead.
template <typename T = void> class [[nodiscard]] Result
{
public:
    Result(T value)
        : m_value(std::move(value))
    {
    }
    Result(Failure failure)
        : m_failure(std::move(failure))
    {
    }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }

    const T &value() const { return *m_value; }
    T &value() { return *m_value; }
    const T &operator*() const { return *m_value; }
    const T *operator->() const { return &*m_value; }
    T valueOr(T fallback) const { return m_value ? *m_value : std::move(fallback); }

    // Only meaningful when !ok().
    const Failure &failure() const { return m_failure; }
    bool failedWith(Failure::Kind kind) const { return !ok() && m_failure.kind == kind; }

private:
    std::optional<T> m_value;
    Failure m_failure;
};

template <> class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Failure failure)
        : m_failure(std::move(failure))
        , m_ok(false)
    {
    }

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const Failure &failure() const { return m_failure; }
    bool failedWith(Failure::Kind kind) const { return !m_ok && m_failure.kind == kind; }

    // Drops the value of another result, keeping its failure.
    template <typename T> static Result from(const Result<T> &other)
    {
        return other.ok() ? Result() : Result(other.failure());
    }

private:
    Failure m_failure;
    bool m_ok = true;
};

inline Failure notFound(QString message)
{
    return { Failure::Kind::NotFound, std::move(message) };
}
inline Failure alreadyExists(QString message)
{
    return { Failure::Kind::AlreadyExists, std::move(message) };
}
inline Failure invalid(QString message)
{
    return { Failure::Kind::Invalid, std::move(message) };
}
inline Failure failed(QString message)
{
    return { Failure::Kind::Failed, std::move(message) };
}
inline Failure readOnly(QString message)
{
    return { Failure::Kind::ReadOnly, std::move(message) };
}
