// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <stdexcept>

// The one error type of the folder scanner and its keyed lists.
//
// The scanner traps nothing: an error ends the operation at the point where it
// happened and travels to the caller unchanged, while everything recorded before
// it stays in the lists. Exceptions carry exactly that, so every failing
// operation of pathLogger and KeyedList throws a ScanError and never anything
// else of its own (allocation failures still surface as std::bad_alloc). A
// folder of the tree that cannot be read is no error: the walk skips it and
// records it (pathLogger::skippedFolders).
// Callers that run inside a Qt event handler must catch it there: Qt does not
// let exceptions pass through its event loop.
class ScanError : public std::runtime_error
{
public:
    enum class Kind
    {
        // A keyed list already holds an entry under the key that was added.
        DuplicateKey,
        // LogPath was called on a scanner that PathLogInit has not prepared
        // (a new scanner, or one after Terminate).
        NotPrepared,
        // A 32-bit counter or list position would pass 2147483647.
        Overflow,
        // A keyed list was asked for a position it does not have.
        NoSuchEntry,
    };

    // message is the whole human-readable text, returned by what() as UTF-8
    // and by message() as it was given.
    ScanError(Kind kind, const QString &message, const QString &path = {}, const QString &key = {});

    [[nodiscard]] Kind kind() const { return m_kind; }
    // The text that what() holds.
    [[nodiscard]] const QString &message() const { return m_message; }
    // The folder the error is about, as recorded in pathNames (ending in "/");
    // empty when the error concerns no folder.
    [[nodiscard]] const QString &path() const { return m_path; }
    // The key that was already taken (DuplicateKey); empty otherwise.
    [[nodiscard]] const QString &key() const { return m_key; }

private:
    Kind m_kind;
    QString m_message;
    QString m_path;
    QString m_key;
};
