// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <QString>
#include <utility>

// The value of an operation that can fail, or the reason why it failed.
// A failure always carries a reason a person can read.
//
// Reasons are written in one voice: a lower-case sentence without a final full
// stop ("cannot create the folder /srv/out/a: Permission denied"), naming a
// path at most once and never the one a report already puts before it
// ("path: reason"). The system's own words for an errno value come from
// systemReason(), so every reason quotes them alike.
template <typename T> class Outcome
{
public:
    [[nodiscard]] static Outcome success(T value) { return Outcome(std::move(value), {}); }
    [[nodiscard]] static Outcome failure(QString reason)
    {
        return Outcome(std::nullopt, std::move(reason));
    }

    [[nodiscard]] bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }

    // The value; only meaningful when ok().
    [[nodiscard]] const T &value() const { return *m_value; }
    // Empty when ok().
    [[nodiscard]] const QString &reason() const { return m_reason; }

private:
    Outcome(std::optional<T> value, QString reason)
        : m_value(std::move(value)), m_reason(std::move(reason))
    {}

    std::optional<T> m_value;
    QString m_reason;
};

// Whether an operation that yields no value worked, or the reason why it failed.
template <> class Outcome<void>
{
public:
    [[nodiscard]] static Outcome success() { return Outcome(true, {}); }
    [[nodiscard]] static Outcome failure(QString reason)
    {
        return Outcome(false, std::move(reason));
    }

    [[nodiscard]] bool ok() const { return m_ok; }
    explicit operator bool() const { return ok(); }

    // Empty when ok().
    [[nodiscard]] const QString &reason() const { return m_reason; }

private:
    Outcome(bool ok, QString reason) : m_ok(ok), m_reason(std::move(reason)) {}

    bool m_ok;
    QString m_reason;
};

// The system's words for an errno value ("Permission denied"), as every reason
// quotes them.
[[nodiscard]] inline QString systemReason(int error)
{
    return qt_error_string(error);
}
