#include "platform/thread/WorkerThread.h"

#include <QThread>
#include <utility>

void JobControl::Post(std::function<void()> call) const {
    // The owner outlives every job (its destructor waits for the thread), so
    // the pointer is good here. The generation is compared on the owner's
    // thread, where it is written, when the call is about to run.
    WorkerThread* owner = m_owner;
    const std::uint64_t generation = m_generation;
    QMetaObject::invokeMethod(
        owner,
        [owner, generation, call = std::move(call)] {
            if (owner->m_generation == generation)
                call();
        },
        Qt::QueuedConnection);
}

WorkerThread::WorkerThread(QObject* parent) : QObject(parent) {}

WorkerThread::~WorkerThread() {
    Cancel();
    Wait();
    // Calls still queued to this object are discarded with it.
}

std::uint64_t WorkerThread::Start(Job job) {
    Cancel();
    Wait();
    m_thread.reset();
    const std::uint64_t generation = ++m_generation;
    m_stop = std::make_shared<std::atomic<bool>>(false);
    const JobControl control(this, m_stop, generation);
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

bool WorkerThread::IsRunning() const {
    return m_thread && m_thread->isRunning();
}
