// SPDX-License-Identifier: MIT
#include "filelist.h"

#include "applicationtitle.h"

#include <utility>

FileList::FileList(GridControl &grid, LabelControl &countLabel, YieldFunction yield)
    : m_grid(grid), m_countLabel(countLabel), m_yield(std::move(yield))
{}

void FileList::load()
{
    m_grid.setColWidth(0, kColumnWidthTwips);
}

void FileList::AddFileToList(const QString &path)
{
    bool reuseFirstRow = false;
    if (m_grid.Rows() == 1) {
        m_grid.setRow(0);
        m_grid.setCol(0);
        if (m_grid.Text().isEmpty()) {
            // An empty list: bring the grid back to its one-column shape, whatever
            // was done to it, and fill the empty row instead of adding one.
            yield();
            m_grid.setRows(1);
            m_grid.setCols(1);
            m_grid.setFixedRows(0);
            m_grid.setRow(0);
            m_grid.setColWidth(0, kColumnWidthTwips);
            m_grid.setCol(0);
            yield();
            reuseFirstRow = true;
        }
    }
    if (!reuseFirstRow)
        m_grid.setRows(m_grid.Rows() + 1);

    yield();

    m_grid.setRow(m_grid.Rows() - 1);
    m_grid.setCol(0);
    m_grid.setText(path);
    showCount(m_grid.Rows());
}

void FileList::ClearFileList()
{
    m_grid.setRows(1);
    m_grid.Clear();
    showCount(0);
}

void FileList::clearCommand(Dialogs &dialogs)
{
    m_grid.setRow(0);
    m_grid.setCol(0);
    if (m_grid.Text().isEmpty())
        return;

    const auto answer = dialogs.messageBox(
        QStringLiteral("Do you want to clear all the files in the list\r\n Proceed?"),
        sourcelist::applicationTitle(), Dialogs::Buttons::YesNo, Dialogs::Icon::Question,
        Dialogs::Answer::Yes);
    if (answer == Dialogs::Answer::Yes)
        ClearFileList();
}

void FileList::yield() const
{
    if (m_yield)
        m_yield();
}

void FileList::showCount(int rows)
{
    m_countLabel.setCaption(QString::number(rows) + QStringLiteral(" files"));
}
