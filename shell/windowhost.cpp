// SPDX-License-Identifier: MIT
#include "windowhost.h"

#include "conversionrun.h"
#include "flexgrid.h"
#include "frmstep1.h"
#include "label.h"
#include "progressbar.h"

WindowHost::WindowHost(frmStep1 &window, YieldFunction turn)
    : m_window(window), m_turn(std::move(turn)),
      m_spacedTurn(yielding::throttledYield([this] { showProgress(); }))
{}

int WindowHost::rowCount() const
{
    return m_window.grdFiles1()->Rows();
}

QString WindowHost::rowText(int row) const
{
    return m_window.grdFiles1()->cellText(row, 0);
}

void WindowHost::rowStarted(int row)
{
    m_currentRow = row;
    m_pendingRow = row;
}

RunOptions WindowHost::options() const
{
    // The window has no templates and keeps the local clock.
    RunOptions options;
    options.scheme = m_window.selectedScheme();
    options.removeReply = m_window.removeRe();
    options.removeForward = m_window.removeFw();
    return options;
}

QString WindowHost::askDestination()
{
    return m_window.dialogs().browseForFolder(QString::fromUtf16(conversion::kDestinationPrompt));
}

void WindowHost::yield()
{
    if (m_turn) {
        showProgress();
        m_turn();
        return;
    }
    m_spacedTurn();
}

void WindowHost::progress(double fraction)
{
    m_pendingValue = conversion::progressPercent(fraction);
    m_pendingText = conversion::progressText(m_currentRow + 1, rowCount());
}

void WindowHost::reportMessage(const MessageReport &) {}

void WindowHost::showSummary(const RunSummary &summary)
{
    showProgress();
    if (summary.allConverted() && summary.withNotes.isEmpty()) {
        m_window.dialogs().messageBox(summary.text(), QString::fromUtf16(RunSummary::kCaption),
                                      Dialogs::Buttons::OK, Dialogs::Icon::Information,
                                      Dialogs::Answer::OK);
        return;
    }
    // What was not converted, or converted without all its attachments, may
    // be as long as the list: the box says how many, and the list waits in its
    // details, so the box always fits the screen (25 long paths once pushed
    // its OK button off it).
    QStringList counts;
    QStringList details;
    if (const qsizetype failed = summary.notConverted.size()) {
        counts.append(failed == 1 ? QStringLiteral("1 message was not converted. Show Details... "
                                                   "lists it with the reason.")
                                  : QStringLiteral("%1 messages were not converted. Show "
                                                   "Details... lists each with the reason.")
                                        .arg(failed));
        details = summary.notConvertedLines();
    }
    if (const qsizetype noted = summary.withNotes.size()) {
        counts.append(noted == 1 ? QStringLiteral("1 message has attachments missing. Show "
                                                  "Details... lists it with what is missing.")
                                 : QStringLiteral("%1 messages have attachments missing. Show "
                                                  "Details... lists each with what is missing.")
                                       .arg(noted));
        if (!details.isEmpty())
            details.append(QString());
        details.append(QStringLiteral("With attachments missing:"));
        details += summary.notedLines();
    }
    // Converted with attachments missing is still converted.
    const bool allConverted = summary.allConverted();
    m_window.dialogs().messageBox((allConverted ? summary.text() : summary.headline()) +
                                      QStringLiteral("\n\n") + counts.join(QLatin1Char('\n')),
                                  QString::fromUtf16(RunSummary::kCaption), Dialogs::Buttons::OK,
                                  allConverted ? Dialogs::Icon::Information
                                               : Dialogs::Icon::Exclamation,
                                  Dialogs::Answer::OK, details.join(QLatin1Char('\n')));
}

void WindowHost::showProgress()
{
    if (m_pendingRow) {
        FlexGrid *grid = m_window.grdFiles1();
        // The grid raises on a row it does not have (the list may have shrunk
        // since), and nothing may escape into the window's event loop.
        if (*m_pendingRow >= 0 && *m_pendingRow < grid->Rows()) {
            if (grid->Col() != 0)
                grid->setCol(0);
            grid->setRow(*m_pendingRow);
        }
        m_pendingRow.reset();
    }
    if (m_pendingValue) {
        ProgressBar *bar = m_window.ProgressBar1();
        // The minimum first: the bar never lets its maximum fall below its minimum.
        bar->setMin(0.0f);
        bar->setMax(100.0f);
        bar->setValue(*m_pendingValue);
        m_pendingValue.reset();
    }
    if (m_pendingText) {
        m_window.LblProgessCurrent()->setCaption(*m_pendingText);
        m_pendingText.reset();
    }
}
