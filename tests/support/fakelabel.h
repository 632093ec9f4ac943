// SPDX-License-Identifier: MIT
#pragma once

#include "calltrace.h"
#include "labelcontrol.h"

#include <utility>

// A label that remembers its caption and records each change as "Caption=...".
class FakeLabel : public LabelControl
{
public:
    explicit FakeLabel(QString caption = {}, CallTrace *trace = nullptr)
        : m_caption(std::move(caption)), m_trace(trace)
    {}

    QString Caption() const override { return m_caption; }
    void setCaption(const QString &caption) override
    {
        traceCall(m_trace, QStringLiteral("Caption=") + caption);
        m_caption = caption;
    }

private:
    QString m_caption;
    CallTrace *m_trace;
};
