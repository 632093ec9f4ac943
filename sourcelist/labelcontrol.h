// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// A line of text on the window that commands rewrite, such as the count line
// under the file list or the progress line of a run.
class LabelControl
{
public:
    virtual ~LabelControl() = default;

    [[nodiscard]] virtual QString Caption() const = 0;
    virtual void setCaption(const QString &caption) = 0;
};
