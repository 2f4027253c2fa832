#pragma once
// Pacing a job's reports: a screen is worth repainting a few times a second,
// not once per file, and every Post() is a queued call of its own.
//
// ReportPacer says when the next report of a running total is due;
// ReportBatch gathers single results (found files, thumbnails, folders of
// the tree) and posts them as one list when a report is due and at the end.
// Both belong to one job and are used on its worker thread only.
//
//     ReportBatch<FoundItem> found(control, kInterval, [this](QList<FoundItem> items) {
//         AppendRows(items);  // main thread, in the order they were found
//     });
//     for (...) { if (control.StopRequested()) break; found.Add(Match(...)); }
//     found.Flush();  // also done by the destructor

#include <QElapsedTimer>
#include <QList>
#include <chrono>
#include <functional>
#include <utility>

#include "platform/thread/WorkerThread.h"

class ReportPacer {
public:
    /// A pacer whose first report falls due `interval` from now.
    explicit ReportPacer(std::chrono::milliseconds interval) : m_interval(interval.count()) {
        m_since.start();
    }

    /// True when `interval` has passed since the pacer was made or last
    /// restarted; the interval then counts again from now.
    bool Due() {
        if (m_since.elapsed() < m_interval)
            return false;
        m_since.restart();
        return true;
    }
    /// Counts the interval from now, after a report made for another reason
    /// (the first figure, which shows at once).
    void Restart() { m_since.restart(); }

private:
    qint64 m_interval;
    QElapsedTimer m_since;
};

template <typename T>
class ReportBatch {
public:
    /// `deliver` runs on the owner's thread with each batch, in order; like
    /// every posted call it is dropped once the job is cancelled or replaced.
    ReportBatch(const JobControl& control, std::chrono::milliseconds interval,
                std::function<void(const QList<T>&)> deliver)
        : m_control(control), m_pacer(interval), m_deliver(std::move(deliver)) {}
    /// Posts what is still pending.
    ~ReportBatch() { Flush(); }

    ReportBatch(const ReportBatch&) = delete;
    ReportBatch& operator=(const ReportBatch&) = delete;

    /// Adds one result; posts the batch when a report is due.
    void Add(T item) {
        m_pending.append(std::move(item));
        if (m_pacer.Due())
            Flush();
    }
    /// Posts the pending results as one batch (nothing when there are none).
    void Flush() {
        if (m_pending.isEmpty())
            return;
        m_control.Post(
            [deliver = m_deliver, items = std::exchange(m_pending, {})] { deliver(items); });
        m_pacer.Restart();
    }
    /// Results added and not yet posted.
    qsizetype Pending() const { return m_pending.size(); }

private:
    JobControl m_control;
    ReportPacer m_pacer;
    std::function<void(const QList<T>&)> m_deliver;
    QList<T> m_pending;
};
