// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <QList>
#include <QObject>
#include <QUrl>

class QDropEvent;
class QWidget;

// Lets a widget take files and folders dragged onto it from a file manager.
// It takes a drag only when its owner is ready for one, the drag offers to copy
// (or link) and it carries a local folder or a local file with a message name;
// it never takes a move, so
// the source never deletes what was dropped. On a drop it hands the dropped
// URLs to its handler from the event loop, after the drop has been answered:
// the handler may run long and show message boxes, which the drag source must
// not wait for.
//
// Works as an event filter on the widget that receives the drag events; for an
// item view that is its viewport, and the filter comes before the view's own
// drop handling.
class FileDropTarget : public QObject
{
    Q_OBJECT

public:
    using DropHandler = std::function<void(const QList<QUrl> &urls)>;
    using ReadyCheck = std::function<bool()>;

    // Makes target accept drops and watches its drag events. The filter is a
    // child of target and lives as long as it. ready is asked at every drag
    // event: while it answers false, drags and drops are refused (as if they
    // carried nothing useful). Empty: always ready.
    FileDropTarget(QWidget *target, DropHandler handler, ReadyCheck ready = {});

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Sets the drop action to copy, or to link when copy is not offered, and
    // accepts; ignores a drag that offers neither.
    static bool acceptWithoutMove(QDropEvent *event);

    [[nodiscard]] bool isReady() const { return !m_ready || m_ready(); }

    DropHandler m_handler;
    ReadyCheck m_ready;
    bool m_dragAccepted = false;
};
