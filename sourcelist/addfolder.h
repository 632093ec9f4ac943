// SPDX-License-Identifier: MIT
#pragma once

#include "buttoncontrol.h"
#include "dialogs.h"
#include "filelist.h"

// The Add folder command, which appends message files to the list rather than
// replacing it. Files and folders dropped on the list append the same way
// (droppedpaths.h): both go through PathAppender, so they find, filter and
// report alike.
namespace sourcelist {

// The Add folder command. Asks for a folder ("Choose Source Folder..."); a
// cancel ends it there, silently. Otherwise, under the busy pointer, scans the
// folder (with "/" appended when missing) and everything below it and appends
// every .eml and .emlx file found after the rows already listed; then restores
// the pointer, enables cmdProcess when at least one row was added and disables
// it when none was (even when the list holds earlier rows), and reports:
// folders that could not be read, names set aside as not valid UTF-8, and
// "N Files Added to List." (see PathAppender::report).
//
// Never raises: a grid error ends the listing (rows added before it stay),
// still restores the pointer and sets cmdProcess, and is shown as its number,
// ":" and its description (exclamation icon) before the summary.
void addFolder(FileList &list, Dialogs &dialogs, ButtonControl &cmdProcess);

} // namespace sourcelist
