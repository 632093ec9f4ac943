// SPDX-License-Identifier: MIT
#include "faulthost.h"

FaultHost::FaultHost(QStringList rows, QString destination)
    : m_rows(std::move(rows)), m_destination(std::move(destination))
{}

void FaultHost::rowStarted(int row)
{
    m_row = row;
    m_yieldInRow = 0;
}

void FaultHost::yield()
{
    ++m_yieldInRow;
    if (m_hook)
        m_hook(m_row, m_yieldInRow);
}

void FaultHost::reportMessage(const MessageReport &report)
{
    m_reports.append(report);
    if (m_reportHook)
        m_reportHook(report);
}

void FaultHost::showSummary(const RunSummary &summary)
{
    m_summary = summary;
    m_summaryText = summary.text();
    m_summaryShown = true;
}
