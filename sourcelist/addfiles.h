// SPDX-License-Identifier: MIT
#pragma once

#include "buttoncontrol.h"
#include "dialogs.h"
#include "filelist.h"

// The Add files command: the user picks message files in the open-file dialog
// and they replace the content of the file list.
namespace sourcelist {

// Longest selection text the dialog may return, in characters.
inline constexpr int kSelectionLimit = 1000;

// The file count named in the message shown when a selection overflows
// kSelectionLimit. Saved messages are often named after their subjects, so 40 to
// 45 characters a name is common; twenty such names, each with its separator,
// and a folder path of 80 characters still fit into 1000. A count based on
// short names (fifty at 20 characters) would send users into the same error.
inline constexpr int kFilesPerPick = 20;

// Empties the list, shows the Open dialog (the filters "Mail Messages", the
// first and chosen one, and "Mailboxes", which lists every file; several files
// allowed, a 1000-character selection) and adds the picked files in the
// order the dialog returns them, each as folder + "/" + name (or the full path
// of a single file). Enables cmdProcess once something was picked; a cancel
// leaves the list empty and cmdProcess as it was. Yields before each piece of
// the selection and after each added row.
//
// Never raises. An overflowing selection is reported as "Please select only 20
// files at a time", any other error as its number, ":" and its description;
// both in a message box with the exclamation icon. Rows added before an error
// stay in the list.
void addFiles(FileList &list, Dialogs &dialogs, ButtonControl &cmdProcess);

} // namespace sourcelist
