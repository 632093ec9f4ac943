// SPDX-License-Identifier: MIT
#pragma once

#include "messagereport.h"

#include <QList>
#include <QString>
#include <QStringList>

// The end of a run: how many messages there were, how many were converted, and
// which were not and why. The texts a person reads are made here, so the window
// and the command line say the same thing.
//
// A message already in the destination counts as converted. A listed copy from
// an earlier run (status Skipped) is no message to convert: it is counted on its
// own, named in the headline, and does not keep the run from succeeding.
struct RunSummary
{
    // Caption of the box that shows the summary.
    static constexpr char16_t kCaption[] = u"Letterfold";
    // How many of the messages that were not converted text() lists by name.
    static constexpr int kListedFailures = 20;

    bool dryRun = false;
    int messages = 0;      // messages processed, earlier copies not counted
    int converted = 0;     // of those, copied, planned or already in the destination
    int earlierCopies = 0; // rows left alone as copies from an earlier run
    int mailboxes = 0;     // rows that were mailboxes, split into their messages
    int files = 0;         // rows that were one message each, earlier copies not counted
    QList<MessageReport> notConverted; // the messages not converted, in list order
    // The converted messages whose report carries a note (a partial message
    // whose attachments were not all found), in list order.
    QList<MessageReport> withNotes;

    // True when no message was left unconverted (also when there were none).
    // The window then shows text() with the information icon, else with the
    // warning icon.
    [[nodiscard]] bool allConverted() const { return notConverted.isEmpty(); }

    // Adds one message's report to the counts (mailboxes are counted apart).
    void add(const MessageReport &report);

    // Adds reports of messages that came before the run's rows (such as the
    // command line's sources that gave no row), counted as add() counts them
    // and listed before the run's own.
    void prepend(const QList<MessageReport> &reports);

    // One line with the counts, for example "Converted 3 of 5 messages.",
    // "Converted 3 of 3 messages; 1 with attachments missing." or "Converted 3
    // of 3 messages; 3 copies from an earlier run were left alone."; "No
    // messages to convert." when there were none. Where rows were mailboxes it
    // says where the messages came from: "Converted 1,204 of 1,210 messages
    // from 3 mailboxes." ("... from 3 mailboxes and 2 files." when other rows
    // were single messages). Counts are written with thousands separators.
    [[nodiscard]] QString headline() const;

    // Every message that was not converted, as "path: reason" ("path, message
    // 12: reason" for a message of a mailbox), in list order.
    [[nodiscard]] QStringList notConvertedLines() const;

    // Every converted message with a note, as "path: note", in list order.
    [[nodiscard]] QStringList notedLines() const;

    // The text of the closing message box: "Converted Successfully !" after a real
    // run in which every message was converted; otherwise the headline followed by
    // the messages that were not converted, one "path: reason" per line, the
    // first kListedFailures of them and then "and N more".
    [[nodiscard]] QString text() const;
};
