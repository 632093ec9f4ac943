// SPDX-License-Identifier: MIT
#include "rowpipeline.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <QThread>

namespace {

constexpr int kMostWorkers = 8;

} // namespace

struct RowPipeline::Job
{
    Job(const QString &source, const PreparedRow::Plan &plan)
        : source(source), row(std::make_unique<PreparedRow>(source)), plan(plan)
    {}

    void run()
    {
        if (!dropped.load())
            row->prepare(plan);
        const std::lock_guard lock(mutex);
        done = true;
        finished.notify_all();
    }

    std::unique_ptr<PreparedRow> waitForRow()
    {
        std::unique_lock lock(mutex);
        finished.wait(lock, [this] { return done; });
        return std::move(row);
    }

    const QString source;
    std::unique_ptr<PreparedRow> row; // the worker's until done
    const PreparedRow::Plan plan;
    std::atomic<bool> dropped = false;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
};

RowPipeline::RowPipeline(int workers, int window) : m_window(std::max(window, 1))
{
    m_pool.setMaxThreadCount(std::max(workers, 1));
}

RowPipeline::~RowPipeline()
{
    for (const std::shared_ptr<Job> &job : m_jobs)
        job->dropped = true;
    m_pool.waitForDone();
}

bool RowPipeline::hasRoom() const
{
    return m_jobs.size() < size_t(m_window);
}

void RowPipeline::add(const QString &source, const PreparedRow::Plan &plan)
{
    auto job = std::make_shared<Job>(source, plan);
    m_jobs.push_back(job);
    m_pool.start([job] { job->run(); });
}

std::unique_ptr<PreparedRow> RowPipeline::take(const QString &source)
{
    const auto found = std::find_if(m_jobs.begin(), m_jobs.end(),
                                    [&source](const auto &job) { return job->source == source; });
    if (found == m_jobs.end())
        return nullptr;
    const std::shared_ptr<Job> job = *found;
    for (auto dropped = m_jobs.begin(); dropped != found; ++dropped)
        (*dropped)->dropped = true;
    m_jobs.erase(m_jobs.begin(), found + 1);
    return job->waitForRow();
}

int RowPipeline::workersForThisMachine()
{
    return std::clamp(QThread::idealThreadCount(), 1, kMostWorkers);
}
