// SPDX-License-Identifier: MIT
#pragma once

#include "outcome.h"

#include <optional>
#include <QByteArray>
#include <QString>

// One line of a run's manifest, a JSON object on a line of its own. A manifest
// starts with a run line, {"kind":"run","version":1,"destination":DEST}; then
// come, in the order things happened, folder lines,
// {"kind":"folder","path":FOLDER} for every folder the run made, and message
// lines, {"kind":"message","source","message","target","status","reason",
// "size","sha256"}: "message" is the message's number in its mailbox, or null;
// "target" null when no name was made; "status" as --json prints it; "size"
// and "sha256" (lower-case hex) those of the bytes written (copied) or found
// identical (unchanged), null otherwise; "reason" null where there is none.
struct ManifestLine
{
    enum class Kind
    {
        Run,
        Folder,
        Message,
    };

    Kind kind = Kind::Message;
    QString path;   // Run: the destination; Folder: the folder; Message: the target, or ""
    QString source; // Message only
    int message = 0;
    QString status; // Message only
    QString reason;
    qint64 size = -1;  // -1: none
    QByteArray sha256; // empty: none

    // The line's JSON text, without a newline.
    [[nodiscard]] QByteArray toJson() const;

    // Reads one line (without its newline). Fails, with a reason saying what
    // is wrong, for text that is not a JSON object, an unknown kind or version,
    // or a field missing or of the wrong type; folder and target paths must be
    // absolute; a message whose status is "copied" must have a target, a size
    // and a 64-digit SHA-256.
    [[nodiscard]] static Outcome<ManifestLine> parse(const QByteArray &text);
};
