// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// An open-file dialog driven through properties: the caller sets FileName,
// Filter, Flags and MaxFileSize, calls ShowOpen, and reads the selection back
// from FileName.
//
// The selection comes back in the classic form: one file is its full path;
// several files are their folder, then each file name, separated by NUL
// characters (u'\0'), for example "/home/ann/Mail" NUL "a.eml" NUL "b.eml".
class CommonDialogControl
{
public:
    // Flags the program uses.
    static constexpr int cdlOFNAllowMultiselect = 0x200;
    static constexpr int cdlOFNFileMustExist = 0x1000;
    static constexpr int cdlOFNExplorer = 0x80000;

    virtual ~CommonDialogControl() = default;

    // The preselected name before ShowOpen, the selection after it; "" after a cancel.
    [[nodiscard]] virtual QString FileName() const = 0;
    virtual void setFileName(const QString &fileName) = 0;

    // Filter entries as description|patterns pairs, patterns separated by ";",
    // for example "Mail Messages (*.eml,*.emlx)|*.eml;*.emlx".
    [[nodiscard]] virtual QString Filter() const = 0;
    virtual void setFilter(const QString &filter) = 0;

    [[nodiscard]] virtual int Flags() const = 0;
    virtual void setFlags(int flags) = 0;

    // Longest selection text, in characters, that ShowOpen may return.
    [[nodiscard]] virtual int MaxFileSize() const = 0;
    virtual void setMaxFileSize(int maxFileSize) = 0;

    // Shows the modal Open dialog and returns when the user confirms or cancels.
    // On confirm FileName holds the selection, on cancel "".
    // Raises CommandError(CommandError::kBufferTooSmall) when the selection is
    // longer than MaxFileSize; FileName is then "".
    virtual void ShowOpen() = 0;
};
