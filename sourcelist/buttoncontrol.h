// SPDX-License-Identifier: MIT
#pragma once

// A push button whose availability a command changes, such as Process, which
// becomes available once files are listed.
class ButtonControl
{
public:
    virtual ~ButtonControl() = default;

    [[nodiscard]] virtual bool Enabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
};
