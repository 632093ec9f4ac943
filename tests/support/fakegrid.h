// SPDX-License-Identifier: MIT
#pragma once

#include "calltrace.h"
#include "commanderror.h"
#include "gridcontrol.h"

#include <algorithm>
#include <QString>
#include <utility>
#include <vector>

// An in-memory grid with the rules of GridControl, for driving the file list
// and the commands without a window. Records every call in an optional trace,
// reads as "Rows?" and writes as "Rows=2".
class FakeGrid : public GridControl
{
public:
    explicit FakeGrid(CallTrace *trace = nullptr) : m_trace(trace) {}

    int Rows() const override { return traced(u"Rows?", m_rows); }
    void setRows(int rows) override
    {
        trace(QStringLiteral("Rows=%1").arg(rows));
        check(rows >= 1 && rows > m_fixedRows);
        resize(rows, m_cols);
    }
    int Cols() const override { return traced(u"Cols?", m_cols); }
    void setCols(int cols) override
    {
        trace(QStringLiteral("Cols=%1").arg(cols));
        check(cols >= 1);
        resize(m_rows, cols);
    }
    int FixedRows() const override { return traced(u"FixedRows?", m_fixedRows); }
    void setFixedRows(int fixedRows) override
    {
        trace(QStringLiteral("FixedRows=%1").arg(fixedRows));
        check(fixedRows >= 0 && fixedRows < m_rows);
        m_fixedRows = fixedRows;
    }
    int Row() const override { return traced(u"Row?", m_row); }
    void setRow(int row) override
    {
        trace(QStringLiteral("Row=%1").arg(row));
        check(row >= 0 && row < m_rows);
        m_row = row;
    }
    int Col() const override { return traced(u"Col?", m_col); }
    void setCol(int col) override
    {
        trace(QStringLiteral("Col=%1").arg(col));
        check(col >= 0 && col < m_cols);
        m_col = col;
    }
    QString Text() const override
    {
        trace(QStringLiteral("Text?"));
        return cell(m_row, m_col);
    }
    void setText(const QString &text) override
    {
        trace(QStringLiteral("Text=") + text);
        m_cells[index(m_row, m_col)] = text;
    }
    int ColWidth(int col) const override
    {
        trace(QStringLiteral("ColWidth(%1)?").arg(col));
        check(col >= 0 && col < m_cols);
        return m_widths[static_cast<size_t>(col)];
    }
    void setColWidth(int col, int twips) override
    {
        trace(QStringLiteral("ColWidth(%1)=%2").arg(col).arg(twips));
        check(col >= 0 && col < m_cols && twips >= 0);
        m_widths[static_cast<size_t>(col)] = twips;
    }
    void Clear() override
    {
        trace(QStringLiteral("Clear"));
        for (auto &text : m_cells)
            text.clear();
    }

    // Untraced access for assertions.
    [[nodiscard]] QString cell(int row, int col = 0) const { return m_cells[index(row, col)]; }
    [[nodiscard]] int rowCount() const { return m_rows; }
    [[nodiscard]] int colCount() const { return m_cols; }
    [[nodiscard]] int fixedRowCount() const { return m_fixedRows; }
    [[nodiscard]] int currentRow() const { return m_row; }
    [[nodiscard]] int widthOf(int col) const { return m_widths[static_cast<size_t>(col)]; }
    [[nodiscard]] QStringList column(int col = 0) const
    {
        QStringList texts;
        for (int row = 0; row < m_rows; ++row)
            texts.append(cell(row, col));
        return texts;
    }

private:
    size_t index(int row, int col) const { return static_cast<size_t>(row * m_cols + col); }
    void trace(const QString &entry) const { traceCall(m_trace, entry); }
    int traced(const char16_t *entry, int value) const
    {
        trace(QString::fromUtf16(entry));
        return value;
    }
    static void check(bool valid)
    {
        if (!valid)
            throw CommandError(CommandError::kInvalidPropertyValue,
                               QStringLiteral("Invalid property value"));
    }
    void resize(int rows, int cols)
    {
        std::vector<QString> cells(static_cast<size_t>(rows * cols));
        for (int r = 0; r < std::min(rows, m_rows); ++r)
            for (int c = 0; c < std::min(cols, m_cols); ++c)
                cells[static_cast<size_t>(r * cols + c)] = cell(r, c);
        m_cells = std::move(cells);
        m_widths.resize(static_cast<size_t>(cols), 0);
        m_rows = rows;
        m_cols = cols;
        m_row = std::min(m_row, rows - 1);
        m_col = std::min(m_col, cols - 1);
    }

    CallTrace *m_trace;
    int m_rows = 1;
    int m_cols = 1;
    int m_fixedRows = 0;
    int m_row = 0;
    int m_col = 0;
    std::vector<QString> m_cells = std::vector<QString>(1);
    std::vector<int> m_widths = std::vector<int>(1, 0);
};
