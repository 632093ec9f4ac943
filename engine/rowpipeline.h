// SPDX-License-Identifier: MIT
#pragma once

#include "preparedrow.h"

#include <deque>
#include <memory>
#include <QString>
#include <QThreadPool>

// Rows of a conversion run prepared ahead on a few worker threads
// (PreparedRow::prepare), while the run's own thread names and places the
// copies of the rows before them, in row order. The run hands in rows in list
// order as the list stood when it started, and takes each back when its turn
// comes, by its text as it stands then: a row the user changed or removed
// meanwhile is simply not found, and the run does it itself.
//
// The workers touch nothing but files: never the host, the list or a widget,
// and no file gets a name from them. Dropping the pipeline waits for the
// workers to finish what they have started; what they prepared and nobody
// took is thrown away (unnamed files leave no trace).
class RowPipeline
{
public:
    // workers threads, at least 1; at most `window` rows handed in and not
    // taken back at a time.
    RowPipeline(int workers, int window);
    ~RowPipeline();
    RowPipeline(const RowPipeline &) = delete;
    RowPipeline &operator=(const RowPipeline &) = delete;

    // Whether another row may be handed in now.
    [[nodiscard]] bool hasRoom() const;

    // Hands in the row whose text is source, to be prepared with plan.
    void add(const QString &source, const PreparedRow::Plan &plan);

    // The first row handed in and not yet taken whose text is source, once
    // its preparation is done (waits for it); the rows handed in before it are
    // dropped, as the list no longer holds them where they were. nullptr, and
    // nothing dropped, when no row handed in has that text.
    [[nodiscard]] std::unique_ptr<PreparedRow> take(const QString &source);

    // The worker threads for a machine: as many as it has cores, at most 8.
    [[nodiscard]] static int workersForThisMachine();

private:
    struct Job;

    QThreadPool m_pool;
    int m_window;
    std::deque<std::shared_ptr<Job>> m_jobs;
};
