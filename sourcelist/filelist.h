// SPDX-License-Identifier: MIT
#pragma once

#include "dialogs.h"
#include "gridcontrol.h"
#include "labelcontrol.h"
#include "yield.h"

#include <QString>

// The list of message files that the next conversion run processes. The grid is
// its only store: one column, row 0 the first file, one full path per cell, in
// the order the files were added. The empty list is one row whose cell is "";
// a list of n files has exactly n rows. The count label reads the row count
// followed by " files" ("0 files" when empty; there is no singular form).
//
// Nothing here traps errors: a CommandError raised by the grid reaches the
// command that called.
class FileList
{
public:
    // Width of the list's only column, wider than the grid so long paths are
    // reached by scrolling sideways.
    static constexpr int kColumnWidthTwips = 15000;

    // The grid, label and yield must outlive the list.
    FileList(GridControl &grid, LabelControl &countLabel,
             YieldFunction yield = yielding::throttledYield());

    // The grid set-up done when the window loads: the column width.
    void load();

    // Appends one row holding path exactly as given. On an empty list the row is
    // reused and the grid's shape reset (one row, one column, no fixed rows, the
    // column width); otherwise a row is added at the end. The count label then
    // shows the row count. Yields once, and twice more when the list was empty.
    void AddFileToList(const QString &path);

    // Empties the list: one row with "" and the label "0 files".
    void ClearFileList();

    // The Clear command. On an empty list it does nothing and asks nothing.
    // Otherwise it asks for confirmation and empties the list on Yes. It never
    // changes the Process button.
    void clearCommand(Dialogs &dialogs);

    [[nodiscard]] GridControl &grid() const { return m_grid; }

    // Gives the window a turn, with the yield this list was built with.
    void yield() const;

private:
    void showCount(int rows);

    GridControl &m_grid;
    LabelControl &m_countLabel;
    YieldFunction m_yield;
};
