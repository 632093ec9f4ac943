// SPDX-License-Identifier: MIT
#include "flexgriddelegate.h"

#include <QPainter>

namespace {

constexpr char16_t kLineBreakSymbol = u'\u23CE';
constexpr char16_t kControlPictures = u'\u2400'; // U+2400 + code for C0
constexpr char16_t kDeleteSymbol = u'\u2421';
constexpr char16_t kOtherControlSymbol = u'\u2426';

} // namespace

QString FlexGridDelegate::visibleText(const QString &text)
{
    QString shown = text;
    for (QChar &c : shown) {
        const char16_t code = c.unicode();
        if (code == u'\n' || code == u'\u2028' || code == u'\u2029')
            c = QChar(kLineBreakSymbol);
        else if (code < 0x20)
            c = QChar(static_cast<char16_t>(kControlPictures + code));
        else if (code == 0x7F)
            c = QChar(kDeleteSymbol);
        else if (code >= 0x80 && code <= 0x9F)
            c = QChar(kOtherControlSymbol);
    }
    return shown;
}

QString FlexGridDelegate::displayText(const QVariant &value, const QLocale &locale) const
{
    return visibleText(QStyledItemDelegate::displayText(value, locale));
}

void FlexGridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const
{
    QStyleOptionViewItem cell = option;
    const bool focused = cell.state.testFlag(QStyle::State_HasFocus);
    cell.state &= ~QStyle::State_HasFocus;
    const bool loneEmptyRow =
        index.model()->rowCount() == 1 && index.data(Qt::DisplayRole).toString().isEmpty();
    if (loneEmptyRow)
        cell.state &= ~QStyle::State_Selected;
    QStyledItemDelegate::paint(painter, cell, index);

    if (focused) {
        painter->save();
        painter->setPen(QPen(option.palette.color(QPalette::Text), 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }
}
