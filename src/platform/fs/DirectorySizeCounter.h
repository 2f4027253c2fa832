#pragma once
// DirectorySizeCounter: totals the files below some paths on a worker thread,
// for the properties dialog.
//
// The count runs on the counter's WorkerThread (platform/thread), polls its
// stop flag before every entry, and is reported to the counter's thread by
// queued calls only. It never follows
// symbolic links (a link counts as a file of its own size), never descends
// into another file system than the one its starting path is on (a mount
// point counts as a folder, its contents do not), and counts a file with
// several hard links once.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/thread/WorkerThread.h"

/// What a count has found so far. `folders` does not count the starting
/// paths themselves.
struct DirectoryTotals {
    std::uint64_t bytes = 0;
    std::uint64_t files = 0;
    std::uint64_t folders = 0;
    std::uint64_t unreadable = 0;  // folders that could not be read
};
Q_DECLARE_METATYPE(DirectoryTotals)

/// The count itself, run on the counter's worker thread; not for direct use.
/// Its signals are emitted on the thread that calls Count().
class DirectorySizeWorker : public QObject {
    Q_OBJECT
public:
    explicit DirectorySizeWorker(std::shared_ptr<std::atomic<bool>> stop)
        : m_stop(std::move(stop)) {}

    /// Counts the paths (raw bytes, absolute): Progress after the first
    /// folder read, then a few times a second at most, then Finished once.
    void Count(const QList<QByteArray>& paths);

Q_SIGNALS:
    void Progress(const DirectoryTotals& totals);
    void Finished(const DirectoryTotals& totals, bool stopped);

private:
    std::shared_ptr<std::atomic<bool>> m_stop;
};

class DirectorySizeCounter : public QObject {
    Q_OBJECT
public:
    explicit DirectorySizeCounter(QObject* parent = nullptr);
    /// Stops a running count and waits for its thread to end.
    ~DirectorySizeCounter() override;

    /// Starts counting `paths` (a regular file or link adds its own size; a
    /// folder adds everything below it). A count already running is stopped
    /// first. Returns at once.
    void Start(const QList<QByteArray>& paths);
    /// Asks a running count to stop; Finished follows with stopped = true
    /// (soon: the worker looks at the flag before every entry).
    void Stop();
    bool IsRunning() const { return m_running; }
    /// The totals last reported (by Progress or Finished).
    const DirectoryTotals& Totals() const { return m_totals; }

Q_SIGNALS:
    void Progress(const DirectoryTotals& totals);
    /// Emitted once per Start, after the last Progress; a count replaced by
    /// a new Start reports nothing more.
    void Finished(const DirectoryTotals& totals, bool stopped);

private:
    DirectoryTotals m_totals;
    bool m_running = false;
    // Last, so that it is destroyed (and its count joined) first.
    WorkerThread m_worker;
};
