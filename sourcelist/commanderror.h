// SPDX-License-Identifier: MIT
#pragma once

#include <exception>
#include <QString>
#include <stdexcept>

// An error raised by a control or a dialog while a command runs. It carries a
// number and a description, which a command that traps errors shows to the
// user as number ":" description. Commands that trap nothing let it pass, and
// the state reached so far stays.
class CommandError : public std::runtime_error
{
public:
    // Numbers used by the controls of this program.
    static constexpr int kInvalidPropertyValue = 380; // a row, column or size out of range
    static constexpr int kBufferTooSmall = 20476;     // a file selection longer than MaxFileSize

    CommandError(int number, const QString &description)
        : std::runtime_error(description.toStdString()), m_number(number),
          m_description(description)
    {}

    [[nodiscard]] int number() const { return m_number; }
    [[nodiscard]] const QString &description() const { return m_description; }

    // What a command that traps errors shows for one it caught: a CommandError
    // as its number, ":" and its description ("380:Invalid property value"),
    // running out of memory as "7:Out of memory", any other exception as "51:"
    // and its text.
    [[nodiscard]] static QString textOf(const std::exception &error);

private:
    int m_number;
    QString m_description;
};
