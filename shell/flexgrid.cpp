// SPDX-License-Identifier: MIT
#include "flexgrid.h"

#include "commanderror.h"
#include "flexgriddelegate.h"
#include "flexgridmodel.h"

#include <algorithm>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

namespace {

void check(bool valid)
{
    if (!valid)
        throw CommandError(CommandError::kInvalidPropertyValue,
                           QStringLiteral("Invalid property value"));
}

int twipsToPixels(int twips)
{
    return (twips + FlexGrid::kTwipsPerPixel / 2) / FlexGrid::kTwipsPerPixel;
}

} // namespace

FlexGrid::FlexGrid(QWidget *parent)
    : QTableView(parent), m_cells(new FlexGridModel(this)), m_colWidths(1, kDefaultColWidthTwips)
{
    m_cells->setCellBackground(kCellBackground);
    setModel(m_cells);
    setItemDelegate(new FlexGridDelegate(this));

    horizontalHeader()->hide();
    verticalHeader()->hide();
    setCornerButtonEnabled(false);
    // Every row has the same height, so the view never measures rows: a list of
    // 100,000 files scrolls and grows as fast as one of ten.
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(kRowHeightPixels);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setMinimumSectionSize(0);
    horizontalHeader()->resizeSection(0, twipsToPixels(kDefaultColWidthTwips));

    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false); // Tab moves on to the next control
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setShowGrid(true);
    setGridStyle(Qt::SolidLine);
    setStyleSheet(QStringLiteral("QTableView { gridline-color: rgb(%1, %2, %3); }")
                      .arg(kGridLines.red())
                      .arg(kGridLines.green())
                      .arg(kGridLines.blue()));

    QPalette colours = palette();
    colours.setColor(QPalette::Base, kBackgroundBeyondCells);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Highlight, kSelectedBackground);
        // The system's highlight text is usually white, which cannot be read on
        // the light grey of the selection; the cell text colour can.
        colours.setColor(group, QPalette::HighlightedText, colours.color(group, QPalette::Text));
    }
    setPalette(colours);

    // The view follows the current row itself, vertically only (see showCurrentCell).
    setAutoScroll(false);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { onCurrentChanged(current); });
    connect(m_cells, &FlexGridModel::rowsPublished, this, [this] { showCurrentCell(); });
    showCurrentCell();
}

FlexGrid::~FlexGrid() = default;

int FlexGrid::Rows() const
{
    return m_cells->rows();
}

void FlexGrid::setRows(int rows)
{
    check(rows >= 1 && rows > m_cells->fixedRows());
    m_cells->setRowCount(rows);
    if (m_row >= rows) {
        m_row = rows - 1;
        showCurrentCell();
    }
}

int FlexGrid::Cols() const
{
    return m_cells->columns();
}

void FlexGrid::setCols(int cols)
{
    check(cols >= 1);
    const int before = Cols();
    m_cells->setColumnCount(cols);
    m_colWidths.resize(static_cast<size_t>(cols), kDefaultColWidthTwips);
    for (int col = before; col < cols; ++col)
        horizontalHeader()->resizeSection(col, twipsToPixels(kDefaultColWidthTwips));
    if (m_col >= cols) {
        m_col = cols - 1;
        showCurrentCell();
    }
}

int FlexGrid::FixedRows() const
{
    return m_cells->fixedRows();
}

void FlexGrid::setFixedRows(int fixedRows)
{
    check(fixedRows >= 0 && fixedRows < Rows());
    m_cells->setFixedRows(fixedRows);
}

int FlexGrid::Row() const
{
    return m_row;
}

void FlexGrid::setRow(int row)
{
    check(row >= 0 && row < Rows());
    m_row = row;
    showCurrentCell();
}

int FlexGrid::Col() const
{
    return m_col;
}

void FlexGrid::setCol(int col)
{
    check(col >= 0 && col < Cols());
    m_col = col;
    showCurrentCell();
}

QString FlexGrid::Text() const
{
    return m_cells->text(m_row, m_col);
}

void FlexGrid::setText(const QString &text)
{
    m_cells->setText(m_row, m_col, text);
}

int FlexGrid::ColWidth(int col) const
{
    check(col >= 0 && col < Cols());
    return m_colWidths[static_cast<size_t>(col)];
}

void FlexGrid::setColWidth(int col, int twips)
{
    check(col >= 0 && col < Cols() && twips >= 0);
    m_colWidths[static_cast<size_t>(col)] = twips;
    horizontalHeader()->resizeSection(col, twipsToPixels(twips));
}

void FlexGrid::Clear()
{
    m_cells->clearTexts();
}

QString FlexGrid::cellText(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        return {};
    return m_cells->text(row, col);
}

int FlexGrid::sidewaysStep() const
{
    return 4 * fontMetrics().averageCharWidth();
}

void FlexGrid::keyPressEvent(QKeyEvent *event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
        QScrollBar *bar = horizontalScrollBar();
        bar->setValue(bar->value() + (event->key() == Qt::Key_Left ? -1 : 1) * sidewaysStep());
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

QModelIndex FlexGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    if (cursorAction == MoveHome || cursorAction == MoveEnd)
        modifiers |= Qt::ControlModifier;
    return QTableView::moveCursor(cursorAction, modifiers);
}

void FlexGrid::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    keepTopRowWhole();
}

void FlexGrid::updateGeometries()
{
    QTableView::updateGeometries();
    keepTopRowWhole();
}

void FlexGrid::keepTopRowWhole()
{
    // Scrolled to its end, QTableView lines the last row up with the bottom
    // edge, which cuts the top row in half whenever the height is not a whole
    // number of rows. The list scrolls by whole rows: the scroll bar's value is
    // the top row, shown whole, and what is left below the last row stays
    // empty.
    QHeaderView *rows = verticalHeader();
    const int top = verticalScrollBar()->value() * kRowHeightPixels;
    if (rows->offset() == top)
        return;
    rows->setOffset(top);
    viewport()->update();
}

void FlexGrid::onCurrentChanged(const QModelIndex &current)
{
    // A click or a key moves the current cell as setRow and setCol do, and the
    // view follows it: auto-scroll is off, so nothing else would.
    if (current.isValid()) {
        m_row = current.row();
        m_col = current.column();
        followRow(m_row);
    }
}

void FlexGrid::showCurrentCell()
{
    if (m_row >= m_cells->rowCount())
        return; // the row is shown, and made current, once the view is told of it
    const QModelIndex current = m_cells->index(m_row, m_col);
    if (selectionModel()->currentIndex() != current || !selectionModel()->isRowSelected(m_row))
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect |
                                                       QItemSelectionModel::Rows);
    followRow(m_row);
}

void FlexGrid::followRow(int row)
{
    // Rows are one height and the view scrolls by whole rows, so the scroll bar's
    // value is the first row shown; no row position has to be computed. Only the
    // row is followed: the column is far wider than the view, and scrolling
    // sideways to its start would undo the user's own sideways scrolling.
    QScrollBar *bar = verticalScrollBar();
    const int shown = std::max(1, viewport()->height() / kRowHeightPixels);
    int first = bar->value();
    if (row < first)
        first = row;
    else if (row >= first + shown)
        first = row - shown + 1;
    if (first == bar->value())
        return;
    if (first > bar->maximum())
        updateGeometries(); // the rows were added since the view last laid itself out
    bar->setValue(first);
}
