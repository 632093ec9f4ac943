// SPDX-License-Identifier: MIT
#include "flexgridmodel.h"

#include <algorithm>
#include <QGuiApplication>
#include <QPalette>

FlexGridModel::FlexGridModel(QObject *parent) : QAbstractTableModel(parent)
{
    m_publishTimer.setSingleShot(true);
    connect(&m_publishTimer, &QTimer::timeout, this, &FlexGridModel::publishRows);
}

int FlexGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_publishedRows;
}

int FlexGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_cols;
}

QVariant FlexGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const bool fixed = index.row() < m_fixedRows;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return text(index.row(), index.column());
    case Qt::BackgroundRole:
        return fixed ? QGuiApplication::palette().button().color() : m_cellBackground;
    case Qt::ForegroundRole:
        if (fixed)
            return QGuiApplication::palette().buttonText().color();
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags FlexGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid() || index.row() < m_fixedRows)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void FlexGridModel::setRowCount(int rows)
{
    if (rows > m_rows) {
        m_cells.resize(static_cast<size_t>(rows) * static_cast<size_t>(m_cols));
        m_rows = rows;
        schedulePublishing();
    } else if (rows < m_rows) {
        m_publishTimer.stop();
        if (rows < m_publishedRows) {
            beginRemoveRows({}, rows, m_publishedRows - 1);
            m_cells.resize(static_cast<size_t>(rows) * static_cast<size_t>(m_cols));
            m_rows = m_publishedRows = rows;
            m_fixedRows = std::min(m_fixedRows, rows - 1);
            endRemoveRows();
        } else {
            m_cells.resize(static_cast<size_t>(rows) * static_cast<size_t>(m_cols));
            m_rows = rows;
        }
        publishRows();
    }
}

void FlexGridModel::publishRows()
{
    m_publishTimer.stop();
    m_sincePublished.start();
    if (m_publishedRows >= m_rows)
        return;
    beginInsertRows({}, m_publishedRows, m_rows - 1);
    m_publishedRows = m_rows;
    endInsertRows();
    Q_EMIT rowsPublished();
}

void FlexGridModel::schedulePublishing()
{
    if (!m_sincePublished.isValid() || m_sincePublished.elapsed() >= kPublishIntervalMs) {
        publishRows();
    } else if (!m_publishTimer.isActive()) {
        m_publishTimer.start(static_cast<int>(kPublishIntervalMs - m_sincePublished.elapsed()));
    }
}

void FlexGridModel::setColumnCount(int cols)
{
    if (cols == m_cols)
        return;
    publishRows();
    std::vector<QString> cells(static_cast<size_t>(m_rows) * static_cast<size_t>(cols));
    const int kept = std::min(cols, m_cols);
    for (int row = 0; row < m_rows; ++row)
        for (int col = 0; col < kept; ++col)
            cells[static_cast<size_t>(row) * cols + col] = std::move(m_cells[offset(row, col)]);
    if (cols > m_cols) {
        beginInsertColumns({}, m_cols, cols - 1);
        m_cells = std::move(cells);
        m_cols = cols;
        endInsertColumns();
    } else {
        beginRemoveColumns({}, cols, m_cols - 1);
        m_cells = std::move(cells);
        m_cols = cols;
        endRemoveColumns();
    }
}

void FlexGridModel::setFixedRows(int fixedRows)
{
    if (fixedRows == m_fixedRows)
        return;
    publishRows();
    const int changedUpTo = std::max(fixedRows, m_fixedRows) - 1;
    m_fixedRows = fixedRows;
    Q_EMIT dataChanged(index(0, 0), index(changedUpTo, m_cols - 1));
}

const QString &FlexGridModel::text(int row, int col) const
{
    return m_cells[offset(row, col)];
}

void FlexGridModel::setText(int row, int col, const QString &text)
{
    m_cells[offset(row, col)] = text;
    if (row >= m_publishedRows)
        return; // shown when the row is
    const QModelIndex cell = index(row, col);
    Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole, Qt::ToolTipRole});
}

void FlexGridModel::clearTexts()
{
    for (QString &text : m_cells)
        text.clear();
    Q_EMIT dataChanged(index(0, 0), index(m_publishedRows - 1, m_cols - 1));
}

void FlexGridModel::setCellBackground(const QColor &color)
{
    m_cellBackground = color;
    Q_EMIT dataChanged(index(0, 0), index(m_publishedRows - 1, m_cols - 1), {Qt::BackgroundRole});
}

size_t FlexGridModel::offset(int row, int col) const
{
    return static_cast<size_t>(row) * static_cast<size_t>(m_cols) + static_cast<size_t>(col);
}
