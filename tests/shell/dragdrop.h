// SPDX-License-Identifier: MIT
#pragma once

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

// What became of a drag of URLs onto a widget, as a file manager would send it:
// entry, one move and the drop, each offering copy or move, at the centre.
struct DragOutcome
{
    bool entered = false;
    bool moved = false;
    bool dropped = false;
    Qt::DropAction enterAction = Qt::IgnoreAction;
    Qt::DropAction dropAction = Qt::IgnoreAction;
};

// Drags urls onto target. The move and the drop are sent only after the entry
// was taken, as Qt does. The drop's handler may run later, from the event loop.
inline DragOutcome dragOnto(QWidget *target, const QList<QUrl> &urls)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint inside = target->rect().center();
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    DragOutcome outcome;

    QDragEnterEvent enter(inside, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    outcome.entered = enter.isAccepted();
    outcome.enterAction = enter.dropAction();
    if (!outcome.entered)
        return outcome;
    QDragMoveEvent move(inside, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    outcome.moved = move.isAccepted();
    QDropEvent drop(QPointF(inside), offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    outcome.dropped = drop.isAccepted();
    outcome.dropAction = drop.dropAction();
    return outcome;
}
