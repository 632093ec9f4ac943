// SPDX-License-Identifier: MIT
#pragma once

#include "conversionhost.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <QList>
#include <QStringList>

// A host whose list, options and answers the test sets, and which records
// everything the run tells it.
class FakeHost : public ConversionHost
{
public:
    QStringList rows;
    NamingScheme scheme = NamingScheme::OptS;
    bool reply = false;
    bool forward = false;
    std::optional<NameTemplate> format;
    QString destination;
    std::function<void(int yieldNumber)> onYield;

    int destinationQuestions = 0;
    int yields = 0;
    mutable int rowTextReads = 0;
    QList<int> startedRows;
    QList<double> fractions;
    QList<MessageReport> reports;
    QList<RunSummary> summaries;
    QStringList summaryTexts;

    int rowCount() const override { return static_cast<int>(rows.size()); }
    void rowStarted(int row) override
    {
        if (row < 0 || row >= rows.size())
            ADD_FAILURE() << "row " << row << " of " << rows.size() << " started";
        startedRows.append(row);
    }
    QString rowText(int row) const override
    {
        ++rowTextReads;
        return row >= 0 && row < rows.size() ? rows[row] : QString();
    }
    RunOptions options() const override { return {scheme, reply, forward, format}; }
    QString askDestination() override
    {
        ++destinationQuestions;
        return destination;
    }
    void yield() override
    {
        ++yields;
        if (onYield)
            onYield(yields);
    }
    void progress(double fraction) override { fractions.append(fraction); }
    void reportMessage(const MessageReport &report) override { reports.append(report); }
    void showSummary(const RunSummary &summary) override
    {
        summaries.append(summary);
        summaryTexts.append(summary.text());
    }

    QStringList targets() const
    {
        QStringList result;
        for (const MessageReport &report : reports)
            result.append(report.target);
        return result;
    }
};
