// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <vector>

// The cells behind FlexGrid: rows x columns of text, stored row after row in one
// vector so that appending a row costs one row of cells, whatever the length of
// the list. Fixed rows are painted in the button colours; every other cell gets
// the cell background.
//
// Rows appended in a quick run reach the view together. QHeaderView recomputes
// the position of every row after each insert it is told of, so telling it of
// each row of a 100,000-file list one by one would cost time in proportion to
// the square of the list. Instead, the first row appended after a pause is
// shown at once, and rows that follow within kPublishInterval are shown in one
// insert when the interval has passed (at the window's next turn). The store
// is always complete: row counts and texts are never late, only their display.
class FlexGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int kPublishIntervalMs = 40;

    explicit FlexGridModel(QObject *parent = nullptr);

    // Rows held, including those the view has not been told of yet.
    [[nodiscard]] int rows() const { return m_rows; }
    [[nodiscard]] int columns() const { return m_cols; }
    // Tells the view of every row appended so far.
    void publishRows();

    // The rows the view has been told of.
    [[nodiscard]] int rowCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Both keep the text of the cells that remain and give new cells "".
    // Callers check the ranges (at least one row and one column).
    void setRowCount(int rows);
    void setColumnCount(int cols);

    void setFixedRows(int fixedRows);
    [[nodiscard]] int fixedRows() const { return m_fixedRows; }

    // The cell must exist.
    [[nodiscard]] const QString &text(int row, int col) const;
    void setText(int row, int col, const QString &text);

    // Erases every cell's text; the shape stays.
    void clearTexts();

    void setCellBackground(const QColor &color);

Q_SIGNALS:
    // The view now knows every row.
    void rowsPublished();

private:
    [[nodiscard]] size_t offset(int row, int col) const;
    void schedulePublishing();

    int m_rows = 1;
    int m_publishedRows = 1;
    QElapsedTimer m_sincePublished;
    QTimer m_publishTimer;
    int m_cols = 1;
    int m_fixedRows = 0;
    std::vector<QString> m_cells = std::vector<QString>(1);
    QColor m_cellBackground = Qt::white;
};
