#pragma once
// FindSearchJob: one search (RunFindSearch) on a worker thread of its own,
// reporting to the thread that made the job (the main thread).
//
// Found paths arrive in batches, in the order they were found: the first
// hit is posted at once, later ones when the batch interval has passed (a
// repaint's worth) or the search ends. While the search reads a folder,
// CurrentFolder() tells which, for a status line that samples it. When the
// search ends, completed or stopped, `finished` runs once, after the last
// batch. Stop() only raises the flag: what the search posts afterwards (its
// last batch, `finished`) is still delivered.
//
// The request is copied into the job; the worker shares nothing with the
// owner but the stop flag and the current folder (under a mutex). The
// destructor stops the search and waits for its thread; nothing is
// delivered after it. Main thread only, except where said.

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <chrono>
#include <functional>
#include <memory>

#include "find/FindRequest.h"
#include "platform/thread/WorkerThread.h"

class FindSearchJob {
public:
    using BatchHandler = std::function<void(const QList<QByteArray>& paths)>;
    using FinishHandler = std::function<void(FindOutcome outcome)>;

    /// The pause between two batches of hits.
    static constexpr std::chrono::milliseconds kBatchInterval{50};

    FindSearchJob(BatchHandler batch, FinishHandler finished);
    ~FindSearchJob();
    FindSearchJob(const FindSearchJob&) = delete;
    FindSearchJob& operator=(const FindSearchJob&) = delete;

    /// Runs the worker at the system's lowest priority, so the user's other
    /// work keeps the processor (on by default; benchmarks compare at the
    /// normal priority).
    void SetIdlePriority(bool idle) { m_idle = idle; }

    /// Starts the search; false when one is running already.
    bool Start(FindRequest request);
    /// Raises the stop flag; returns at once.
    void Stop();
    /// True from Start() until the worker's function has returned.
    bool IsRunning() const { return m_worker.IsRunning(); }
    /// Blocks until the worker's thread has ended (tests, benchmarks).
    void Wait() { m_worker.Wait(); }

    /// The folder being read now (any thread); empty when none.
    QByteArray CurrentFolder() const;

private:
    struct Shared {
        mutable QMutex mutex;
        QByteArray folder;
    };

    BatchHandler m_batch;
    FinishHandler m_finished;
    bool m_idle = true;
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
    WorkerThread m_worker;
};
