#pragma once
// WorkerThread: one background job at a time on a thread of its own, for the
// work that must not hold up the window. It is the program's way to run work
// off the main thread: the panes' folder reads (FolderModel), folder sizes
// (DirectorySizeCounter), find (FindSearchJob), folder statistics
// (CFolderStats) and thumbnails (CThumbPreview) use it. Two kinds of thread
// stand apart, and their headers say why: the change watch's (ChangeWatch.h)
// and the short tasks that run side by side and are never joined for ever
// (ThreadGroup.h: launching, link resolution, the tree's folder reads).
//
// A job is a function run on the worker thread with a JobControl. It polls
// StopRequested() before every item and sends what it has found back with
// Post(), which runs the given call on the owner's thread (the thread the
// WorkerThread was made on, the main thread in the program) by a queued
// call. Reports arrive in the order they were posted.
//
// Generations: every Start() begins a new generation, and Cancel() ends the
// current one. A posted call is delivered only while its job's generation is
// still the current one, so once a job has been cancelled or replaced
// nothing more of it reaches the owner, even calls already queued. Stop()
// only asks the job to end early: what it posts afterwards (its final
// report) is still delivered.
//
// Lifetime: Start() cancels a running job and waits for its thread before
// starting the next; the destructor cancels and waits. A job therefore never
// runs while its WorkerThread is gone, and never overlaps its successor.
// The wait is as long as the job takes to notice the stop flag.
//
// Abandoning: a job that may sit in one system call for as long as a mount
// that does not answer takes (a folder read on a network or FUSE path) can
// be let go instead: Abandon() cancels it and stops waiting for it; its
// thread ends on its own whenever the call returns, and is freed then. Such
// a job must own everything it touches (copies, shared pointers), since the
// WorkerThread and its owner may be gone by then; its Post() calls are
// dropped. Start() and the destructor do not wait for an abandoned job.
//
// Waiting with delivery: WaitFor() blocks for at most a given time and
// DeliverPosted() runs at once the calls a job has posted so far, so that
// an owner may take a job's first results synchronously (a small folder
// read whole before the pane is shown) without running the event loop,
// which would let the user's input in.
//
// Threading contract (which calls may run on a worker thread):
// - Worker threads: JobControl (all of it), ReportPacer and ReportBatch (one
//   job's own), the raw file-system helpers of platform/fs (FileSystem.h,
//   DirectorySizeWorker::Count), ShellLaunch and InvokeDefaultCommand, and
//   anything the job owns outright (its copies of paths and id lists).
// - The main thread only: every widget, the notices (shell/Notice.h), the
//   long-operation service (shell/LongOperation.h), the pane's models and
//   views, the settings, and the WorkerThread's own functions. A job hands
//   results to them through Post(), never by touching them.
// - A job must not capture the owner's state by reference unless the owner
//   outlives the WorkerThread (it is usually a member of that owner, which
//   makes this so): the owner's state is touched only from posted calls.
//
//     WorkerThread m_worker;  // a member of a main-thread object
//     m_worker.Start([this, paths](const JobControl& control) {
//         for (const QByteArray& path : paths) {
//             if (control.StopRequested()) break;
//             Item item = Examine(path);  // worker thread
//             control.Post([this, item] { Show(item); });  // main thread
//         }
//     });
//
// Cost: one thread per Start(); Post() allocates one queued call, so a job
// with many small results batches them (ReportBatch.h).

#include <QObject>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class QThread;
class WorkerThread;

/// What a running job sees of its WorkerThread. Copyable; every function may
/// be called on any thread.
class JobControl {
public:
    /// True once the owner asked the job to end (Stop, Cancel, a new Start,
    /// the WorkerThread's destruction). One atomic load: cheap enough to ask
    /// before every entry.
    bool StopRequested() const { return m_stop->load(std::memory_order_relaxed); }
    /// The stop flag itself, for a worker object that takes one.
    const std::shared_ptr<std::atomic<bool>>& StopFlag() const { return m_stop; }
    /// The job's generation (the value Start returned).
    std::uint64_t Generation() const { return m_generation; }

    /// Runs `call` later on the owner's thread, after every call this job
    /// posted before. Dropped when, by then, the job has been cancelled or
    /// replaced, or the WorkerThread is gone.
    void Post(std::function<void()> call) const;

private:
    friend class WorkerThread;
    struct Link;
    JobControl(std::shared_ptr<Link> link, std::shared_ptr<std::atomic<bool>> stop,
               std::uint64_t generation)
        : m_link(std::move(link)), m_stop(std::move(stop)), m_generation(generation) {}

    std::shared_ptr<Link> m_link;  // the owner while it lives
    std::shared_ptr<std::atomic<bool>> m_stop;
    std::uint64_t m_generation;
};

class WorkerThread : public QObject {
public:
    using Job = std::function<void(const JobControl&)>;

    explicit WorkerThread(QObject* parent = nullptr);
    /// Cancels a running job and waits for its thread to end.
    ~WorkerThread() override;

    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    /// Starts `job` on a new thread and returns its generation (1 for the
    /// first job, then one more per Start). A job still running is
    /// cancelled and waited for first, so nothing it posted is delivered.
    std::uint64_t Start(Job job);
    /// Asks the running job to end; returns at once. What the job posts from
    /// now on is still delivered.
    void Stop();
    /// Asks the running job to end and drops everything it has posted or
    /// will post; returns at once.
    void Cancel();
    /// Blocks until the job's thread has ended (at once when none runs).
    /// Calls the job posted are delivered later, by the event loop.
    void Wait();
    /// As Wait(), for at most `limit`; true when no job runs any more.
    bool WaitFor(std::chrono::milliseconds limit);
    /// Runs now, on the owner's thread, the calls the current job has
    /// posted so far (those of cancelled jobs are dropped as ever). Nothing
    /// else of the event queue runs.
    void DeliverPosted();
    /// Cancels the running job and lets its thread end on its own, without
    /// waiting for it (see Abandoning above). Nothing when no job runs.
    void Abandon();

    /// True from Start() until the job's function has returned.
    bool IsRunning() const;
    /// The current generation: that of the last Start(); Cancel() moves it
    /// past every job started so far.
    std::uint64_t Generation() const { return m_generation; }

private:
    friend class JobControl;

    std::unique_ptr<QThread> m_thread;
    std::shared_ptr<std::atomic<bool>> m_stop;
    std::shared_ptr<JobControl::Link> m_link;
    std::uint64_t m_generation = 0;
};
