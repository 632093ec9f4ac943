// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Where a message came from, as the run knows it: the file it was read from
// and, for a message kept in a mailbox, that mailbox. The {file} and
// {mailbox} tokens of a name template are made from it.
struct MessageOrigin
{
    // The file the message's bytes are in: the .eml or .emlx file, the mbox
    // file, or the Maildir message file.
    QString sourcePath;
    // The mailbox the message belongs to: the mbox file, or the Maildir folder
    // (the one holding cur/, new/ and tmp/); "" for a message file of its own.
    QString mailboxPath;
    // A Maildir message's unique name, its file name before ":2,"; "" otherwise.
    QString maildirUniqueName;

    // The {file} token: maildirUniqueName when set; else, for a message in
    // an mbox (mailboxPath set), the mbox's name as mailboxToken() gives it;
    // else the name of sourcePath without its extension (the last ".ext", or
    // ".partial.emlx" whole; a leading dot is no extension): "/m/Offer
    // v1.2.eml" gives "Offer v1.2", "/m/123.partial.emlx" "123", "/m/.eml" ".eml".
    [[nodiscard]] QString fileToken() const;
    // The {mailbox} token: the name of mailboxPath, without a final ".mbox"
    // in any case ("/m/Archive.mbox" gives "Archive", "/m/Maildir/.Sent"
    // ".Sent"); "" when mailboxPath is "".
    [[nodiscard]] QString mailboxToken() const;
};
