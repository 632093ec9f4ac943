// SPDX-License-Identifier: MIT
#pragma once

#include "conversionhost.h"

#include <functional>
#include <QList>
#include <QStringList>

// A conversion host over a fixed list of rows that remembers everything the run
// tells it, and lets a test act at every yield: that is where a file can vanish
// or change between being listed and being copied, as it can for a real user.
class FaultHost final : public ConversionHost
{
public:
    // Called at every yield with the row under way (-1 before the first) and the
    // number of that row's yield: 1 after it is started, 2 after its
    // folder is made, 3 after its name is composed, 4 after its copy.
    using YieldHook = std::function<void(int row, int yieldInRow)>;

    FaultHost(QStringList rows, QString destination);

    void setScheme(NamingScheme scheme) { m_scheme = scheme; }
    void setYieldHook(YieldHook hook) { m_hook = std::move(hook); }
    // Called once for every report, as the run hands it over.
    void setReportHook(std::function<void(const MessageReport &)> hook)
    {
        m_reportHook = std::move(hook);
    }

    [[nodiscard]] const QList<MessageReport> &reports() const { return m_reports; }
    [[nodiscard]] const RunSummary &summary() const { return m_summary; }
    [[nodiscard]] const QString &summaryText() const { return m_summaryText; }
    [[nodiscard]] bool summaryShown() const { return m_summaryShown; }

    int rowCount() const override { return int(m_rows.size()); }
    QString rowText(int row) const override { return m_rows.value(row); }
    void rowStarted(int row) override;
    RunOptions options() const override
    {
        RunOptions options;
        options.scheme = m_scheme;
        return options;
    }
    QString askDestination() override { return m_destination; }
    void yield() override;
    void progress(double) override {}
    void reportMessage(const MessageReport &report) override;
    void showSummary(const RunSummary &summary) override;

private:
    QStringList m_rows;
    QString m_destination;
    NamingScheme m_scheme = NamingScheme::OptS;
    YieldHook m_hook;
    std::function<void(const MessageReport &)> m_reportHook;
    int m_row = -1;
    int m_yieldInRow = 0;
    QList<MessageReport> m_reports;
    RunSummary m_summary;
    QString m_summaryText;
    bool m_summaryShown = false;
};
