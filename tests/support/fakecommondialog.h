// SPDX-License-Identifier: MIT
#pragma once

#include "calltrace.h"
#include "commanderror.h"
#include "commondialogcontrol.h"

#include <deque>
#include <optional>
#include <QStringList>

// An open-file dialog that answers as scripted. Each ShowOpen takes the next
// scripted answer: a selection in the classic form, or "" for a cancel (also
// when nothing is scripted). Like the real dialog, a selection longer than
// MaxFileSize raises CommandError::kBufferTooSmall and leaves FileName "".
// Records settings and ShowOpen in an optional trace ("Flags=524800", "ShowOpen").
class FakeCommonDialog : public CommonDialogControl
{
public:
    explicit FakeCommonDialog(CallTrace *trace = nullptr) : m_trace(trace) {}

    // The classic form of several files picked in one folder.
    [[nodiscard]] static QString classic(const QString &folder, const QStringList &names)
    {
        return (QStringList{folder} + names).join(QChar(u'\0'));
    }

    void answer(const QString &selection) { m_answers.push_back(selection); }
    // The next ShowOpen raises this error instead of answering.
    void failWith(const CommandError &error) { m_error = error; }
    [[nodiscard]] int timesShown() const { return m_shown; }

    QString FileName() const override { return m_fileName; }
    void setFileName(const QString &fileName) override
    {
        traceCall(m_trace, QStringLiteral("FileName=") + fileName);
        m_fileName = fileName;
    }
    QString Filter() const override { return m_filter; }
    void setFilter(const QString &filter) override
    {
        traceCall(m_trace, QStringLiteral("Filter=") + filter);
        m_filter = filter;
    }
    int Flags() const override { return m_flags; }
    void setFlags(int flags) override
    {
        traceCall(m_trace, QStringLiteral("Flags=%1").arg(flags));
        m_flags = flags;
    }
    int MaxFileSize() const override { return m_maxFileSize; }
    void setMaxFileSize(int maxFileSize) override
    {
        traceCall(m_trace, QStringLiteral("MaxFileSize=%1").arg(maxFileSize));
        m_maxFileSize = maxFileSize;
    }
    void ShowOpen() override
    {
        traceCall(m_trace, QStringLiteral("ShowOpen"));
        ++m_shown;
        if (m_error) {
            const CommandError error = *m_error;
            m_error.reset();
            throw error;
        }
        QString selection;
        if (!m_answers.empty()) {
            selection = m_answers.front();
            m_answers.pop_front();
        }
        if (selection.size() > m_maxFileSize) {
            m_fileName.clear();
            throw CommandError(CommandError::kBufferTooSmall, QStringLiteral("Buffer too small"));
        }
        m_fileName = selection;
    }

private:
    CallTrace *m_trace;
    std::deque<QString> m_answers;
    std::optional<CommandError> m_error;
    int m_shown = 0;
    QString m_fileName;
    QString m_filter;
    int m_flags = 0;
    int m_maxFileSize = 260;
};
