// SPDX-License-Identifier: MIT
#include "filedroptarget.h"

#include "droppedpaths.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

FileDropTarget::FileDropTarget(QWidget *target, DropHandler handler, ReadyCheck ready)
    : QObject(target), m_handler(std::move(handler)), m_ready(std::move(ready))
{
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

bool FileDropTarget::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter: {
        auto *drag = static_cast<QDragEnterEvent *>(event);
        const QMimeData *data = drag->mimeData();
        m_dragAccepted = isReady() && data && data->hasUrls() &&
                         sourcelist::canAppendDrop(data->urls()) && acceptWithoutMove(drag);
        if (!m_dragAccepted)
            drag->ignore();
        return true;
    }
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (!m_dragAccepted || !isReady() || !acceptWithoutMove(drag))
            drag->ignore();
        return true;
    }
    case QEvent::DragLeave:
        m_dragAccepted = false;
        return true;
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QMimeData *data = drop->mimeData();
        const bool taken = isReady() && data && data->hasUrls() && acceptWithoutMove(drop);
        m_dragAccepted = false;
        if (!taken) {
            drop->ignore();
            return true;
        }
        QMetaObject::invokeMethod(
            this,
            [this, urls = data->urls()] {
                if (m_handler)
                    m_handler(urls);
            },
            Qt::QueuedConnection);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

bool FileDropTarget::acceptWithoutMove(QDropEvent *event)
{
    const Qt::DropActions offered = event->possibleActions();
    if (offered & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    else if (offered & Qt::LinkAction)
        event->setDropAction(Qt::LinkAction);
    else
        return false;
    event->accept();
    return true;
}
