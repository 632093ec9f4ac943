// SPDX-License-Identifier: MIT
#pragma once

#include "buttoncontrol.h"
#include "calltrace.h"

// A push button that remembers whether it is enabled and records each change as
// "Enabled=true" or "Enabled=false".
class FakeButton : public ButtonControl
{
public:
    explicit FakeButton(bool enabled = false, CallTrace *trace = nullptr)
        : m_enabled(enabled), m_trace(trace)
    {}

    bool Enabled() const override { return m_enabled; }
    void setEnabled(bool enabled) override
    {
        traceCall(m_trace,
                  enabled ? QStringLiteral("Enabled=true") : QStringLiteral("Enabled=false"));
        m_enabled = enabled;
    }

private:
    bool m_enabled;
    CallTrace *m_trace;
};
