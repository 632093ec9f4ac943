// SPDX-License-Identifier: MIT
#pragma once

#include <QStyledItemDelegate>

// Draws the cells of FlexGrid:
//  - Control characters are shown as visible symbols (a line break as U+23CE,
//    the other C0 codes and DEL as their Control Pictures, C1 codes as U+2426),
//    so a name holding one neither breaks nor cuts its line. Only the drawing
//    changes: the cell keeps its text.
//  - The current cell gets a dotted focus frame while the grid has the focus,
//    the same in every style (some draw none after a click).
//  - A lone empty row, the empty list, is drawn as an empty cell, not in the
//    selection colour, where it would read as a header.
class FlexGridDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // text with every control character replaced as described above. Never fails.
    [[nodiscard]] static QString visibleText(const QString &text);

    QString displayText(const QVariant &value, const QLocale &locale) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
};
