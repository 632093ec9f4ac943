// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// A text grid as the file list and the conversion run use it: a number of rows
// and columns, a current cell, and the text of that cell. Rows and columns are
// numbered from 0. The file list keeps one column and no fixed rows.
//
// Every setter that is given a value out of range raises CommandError
// (CommandError::kInvalidPropertyValue) and changes nothing.
class GridControl
{
public:
    virtual ~GridControl() = default;

    // Number of rows. Setting it keeps the text of the rows that remain, gives
    // new rows empty cells, and moves the current row onto the last row when it
    // no longer exists. Raises when rows < 1 or rows <= FixedRows.
    [[nodiscard]] virtual int Rows() const = 0;
    virtual void setRows(int rows) = 0;

    // Number of columns, the same rules as Rows.
    [[nodiscard]] virtual int Cols() const = 0;
    virtual void setCols(int cols) = 0;

    // Number of header rows at the top. Raises when fixedRows < 0 or >= Rows.
    [[nodiscard]] virtual int FixedRows() const = 0;
    virtual void setFixedRows(int fixedRows) = 0;

    // The current cell. Raises when the value is not an existing row or column.
    [[nodiscard]] virtual int Row() const = 0;
    virtual void setRow(int row) = 0;
    [[nodiscard]] virtual int Col() const = 0;
    virtual void setCol(int col) = 0;

    // Text of the current cell, stored exactly as given (nothing is trimmed).
    [[nodiscard]] virtual QString Text() const = 0;
    virtual void setText(const QString &text) = 0;

    // Width of a column in twips (1/1440 inch, 15 twips to a pixel at 96 dpi).
    // Raises when col is not an existing column or twips < 0.
    [[nodiscard]] virtual int ColWidth(int col) const = 0;
    virtual void setColWidth(int col, int twips) = 0;

    // Erases the text of every cell; rows, columns and the current cell stay.
    virtual void Clear() = 0;
};
