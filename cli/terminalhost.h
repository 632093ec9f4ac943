// SPDX-License-Identifier: MIT
#pragma once

#include "conversionhost.h"
#include "manifestwriter.h"

#include <QStringList>
#include <QTextStream>

// The conversion run's host on a terminal. The list is the expanded SOURCE
// arguments, the options are fixed for the whole run, the destination question is
// answered with --to, and yielding does nothing (there is no event loop to serve).
//
// Each message is printed as it is dealt with: "SOURCE -> TARGET" on out for one
// converted (or planned), followed by " (already in the destination)" when
// nothing had to be written; "SOURCE: REASON" on out for one left alone on
// purpose (skipped), on err for one that failed; with json,
// one JSON object per line on out and nothing else there. A message of a
// mailbox is "SOURCE, message 12" in text, and its number a field of its own
// in JSON. A progress bar is drawn on err only when asked for (err is a
// terminal and --quiet is not given), with the line "Message i (of n)" counting
// rows, and redrawn only when that line changes; it is wiped before every line
// printed, so lines and bar never mix. With a manifest, every report is
// recorded there before it is printed.
//
// The preview (table: a dry run whose out is a terminal, without json) is for
// a person: one line per message on out, failures included, under a header
// naming the destination, each "STATUS  SOURCE -> TARGET" with the status in a
// column of its own and the target below the destination, or "STATUS  SOURCE:
// REASON"; control characters are shown as their bytes ("\x1B") so that no
// file name can steer the terminal.
class TerminalHost final : public ConversionHost
{
public:
    struct Settings
    {
        RunOptions options;
        QString destination;
        bool json = false;
        bool progressBar = false;
        // Each row's root (rowRoot); a row beyond the list has "".
        QStringList roots;
        // Where every report is recorded as it comes, when set; it must
        // outlive the host.
        ManifestWriter *manifest = nullptr;
        // Show the preview table described above.
        bool table = false;
    };

    TerminalHost(const Settings &settings, const QStringList &rows, QTextStream &out,
                 QTextStream &err);

    int rowCount() const override;
    QString rowText(int row) const override;
    QString rowRoot(int row) const override;
    void rowStarted(int row) override;
    RunOptions options() const override;
    QString askDestination() override;
    void yield() override;
    void progress(double fraction) override;
    void reportMessage(const MessageReport &report) override;
    // Keeps the summary for main(), which prints it once the SOURCE arguments
    // that gave no row are counted in.
    void showSummary(const RunSummary &summary) override;

    // The summary the run handed over; empty until it has.
    [[nodiscard]] const RunSummary &summary() const { return m_summary; }

    // Whether the manifest could not take a report: the first such failure is
    // printed on err, and the manifest lacks what came after.
    [[nodiscard]] bool manifestFailed() const { return m_manifestFailed; }

    // Wipes the progress bar, if one is drawn, so the next line starts clean.
    void clearProgress();

    // The JSON line of a report: {"source", "message" (its number in its
    // mailbox, from 1; null for a row that is one message), "target" (null when
    // there is none), "status", "reason" (null when there is none: copied and
    // planned)}, without a newline.
    [[nodiscard]] static QByteArray jsonLine(const MessageReport &report);

    // The preview's header for a destination, and its line for a report, as
    // described above; without a newline.
    [[nodiscard]] static QString tableHeader(const QString &destination);
    [[nodiscard]] static QString tableLine(const MessageReport &report, const QString &destination);

    // The progress bar line for a percentage and a progress text, such as
    // "[##########--------------------]  33% Message 1 (of 3)".
    [[nodiscard]] static QString progressLine(float percent, const QString &text);

private:
    Settings m_settings;
    QStringList m_rows;
    QTextStream &m_out;
    QTextStream &m_err;
    int m_current = -1;
    bool m_barShown = false;
    QString m_barLine;
    bool m_manifestFailed = false;
    bool m_tableStarted = false;
    RunSummary m_summary;
};
