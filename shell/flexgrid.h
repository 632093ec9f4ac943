// SPDX-License-Identifier: MIT
#pragma once

#include "gridcontrol.h"

#include <QColor>
#include <QTableView>
#include <vector>

class FlexGridModel;

// The file list's grid: a QTableView over FlexGridModel that offers the
// GridControl members. No header is shown, rows are of one fixed height, the
// whole row of the current cell is selected, and the view follows the current
// row vertically, whether the row was set or moved by a key. Scroll bars appear
// when the rows outgrow the height and the columns the width.
//
// Keys: the arrows Up and Down, Page Up and Page Down move the current row;
// Home and End go to the first and last row (the list has one column, so they
// do what Ctrl+Home and Ctrl+End do); Left and Right scroll sideways, so a
// long path can be read without a mouse. See FlexGridDelegate for how cells
// are drawn. Adding a row costs the same whatever the row count: the
// model stores it at once and tells the view of new rows in batches (see
// FlexGridModel), and nothing measures or lays out rows one by one.
class FlexGrid : public QTableView, public GridControl
{
    Q_OBJECT

public:
    static constexpr int kTwipsPerPixel = 15;
    static constexpr int kRowHeightPixels = 16;
    static constexpr int kDefaultColWidthTwips = 960;
    static inline const QColor kCellBackground{255, 255, 191};
    static inline const QColor kSelectedBackground{224, 224, 224};
    static inline const QColor kBackgroundBeyondCells{255, 255, 255};
    static inline const QColor kGridLines{192, 192, 192};

    // One row, one column, no fixed rows, current cell (0, 0).
    explicit FlexGrid(QWidget *parent = nullptr);
    ~FlexGrid() override;

    int Rows() const override;
    void setRows(int rows) override;
    int Cols() const override;
    void setCols(int cols) override;
    int FixedRows() const override;
    void setFixedRows(int fixedRows) override;
    int Row() const override;
    void setRow(int row) override;
    int Col() const override;
    void setCol(int col) override;
    QString Text() const override;
    void setText(const QString &text) override;
    // Twips are shown at kTwipsPerPixel to a pixel; the value set is read back.
    int ColWidth(int col) const override;
    void setColWidth(int col, int twips) override;
    void Clear() override;

    // The text of any cell, without moving the current cell; "" outside the grid.
    [[nodiscard]] QString cellText(int row, int col) const;

    // Pixels that Left and Right scroll the list sideways.
    [[nodiscard]] int sidewaysStep() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;

private:
    void onCurrentChanged(const QModelIndex &current);
    void showCurrentCell();
    void followRow(int row);
    void keepTopRowWhole();

    FlexGridModel *m_cells;
    std::vector<int> m_colWidths; // twips, one per column
    int m_row = 0;
    int m_col = 0;
};
