#include "platform/thread/WorkerThread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QThread>
#include <mutex>
#include <utility>

// The owner as its jobs see it: cleared (under the lock) when the
// WorkerThread goes, so that a job it abandoned posts into nothing.
struct JobControl::Link {
    std::mutex lock;
    WorkerThread* owner = nullptr;
};

void JobControl::Post(std::function<void()> call) const {
    // Posting under the lock keeps the owner alive until the call is queued;
    // the owner's destruction then discards whatever is still queued to it.
    // The generation is compared on the owner's thread, where it is written,
    // when the call is about to run.
    const std::lock_guard<std::mutex> hold(m_link->lock);
    WorkerThread* owner = m_link->owner;
    if (!owner)
        return;
    const std::uint64_t generation = m_generation;
    QMetaObject::invokeMethod(
        owner,
        [owner, generation, call = std::move(call)] {
            if (owner->m_generation == generation)
                call();
        },
        Qt::QueuedConnection);
}

WorkerThread::WorkerThread(QObject* parent)
    : QObject(parent), m_link(std::make_shared<JobControl::Link>()) {
    m_link->owner = this;
}

WorkerThread::~WorkerThread() {
    Cancel();
    Wait();
    const std::lock_guard<std::mutex> hold(m_link->lock);
    m_link->owner = nullptr;
    // Calls still queued to this object are discarded with it.
}

std::uint64_t WorkerThread::Start(Job job) {
    Cancel();
    Wait();
    m_thread.reset();
    const std::uint64_t generation = ++m_generation;
    m_stop = std::make_shared<std::atomic<bool>>(false);
    const JobControl control(m_link, m_stop, generation);
    m_thread.reset(QThread::create([job = std::move(job), control] { job(control); }));
    m_thread->setObjectName(QStringLiteral("WorkerThread"));
    m_thread->start();
    return generation;
}

void WorkerThread::Stop() {
    if (m_stop)
        m_stop->store(true);
}

void WorkerThread::Cancel() {
    if (!m_thread)
        return;
    Stop();
    ++m_generation;
}

void WorkerThread::Wait() {
    if (m_thread)
        m_thread->wait();
}

bool WorkerThread::WaitFor(std::chrono::milliseconds limit) {
    return !m_thread || m_thread->wait(QDeadlineTimer(limit.count()));
}

void WorkerThread::DeliverPosted() {
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void WorkerThread::Abandon() {
    if (!m_thread)
        return;
    Cancel();
    QThread* thread = m_thread.release();
    if (thread->isFinished()) {
        delete thread;
        return;
    }
    // Freed by the event loop once it has ended; at the process's exit a
    // thread still stuck is left to the system.
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    if (thread->isFinished())  // it may have ended before the connection
        thread->deleteLater();
    // The job keeps a fresh link of its own no more: make Post drop its calls
    // by giving this WorkerThread a new link and clearing the old one.
    {
        const std::lock_guard<std::mutex> hold(m_link->lock);
        m_link->owner = nullptr;
    }
    m_link = std::make_shared<JobControl::Link>();
    m_link->owner = this;
}

bool WorkerThread::IsRunning() const {
    return m_thread && m_thread->isRunning();
}
