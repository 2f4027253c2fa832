#include "find/FindSearchJob.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QMutexLocker>

#include "platform/thread/ReportBatch.h"

FindSearchJob::FindSearchJob(BatchHandler batch, FinishHandler finished)
    : m_batch(std::move(batch)), m_finished(std::move(finished)) {}

FindSearchJob::~FindSearchJob() {
    m_worker.Cancel();
    m_worker.Wait();
}

bool FindSearchJob::Start(FindRequest request) {
    if (m_worker.IsRunning())
        return false;
    const std::shared_ptr<Shared> shared = m_shared;
    const bool idle = m_idle;
    m_worker.Start([this, shared, idle, request = std::move(request)](const JobControl& control) {
        if (idle) {
            // Linux keeps a nice value per thread: only this worker yields.
            ::setpriority(PRIO_PROCESS, ::gettid(), 19);
        }
        QList<QByteArray> pending;
        bool posted = false;
        ReportPacer pacer(kBatchInterval);
        const auto flush = [&] {
            if (pending.isEmpty())
                return;
            control.Post([this, paths = std::exchange(pending, {})] { m_batch(paths); });
            pacer.Restart();
            posted = true;
        };
        FindSink sink;
        sink.found = [&](QByteArray path) {
            pending.append(std::move(path));
            // The first hit shows at once; later ones a repaint's worth at a
            // time.
            if (!posted || pacer.Due())
                flush();
        };
        sink.folder = [&](const QByteArray& folder) {
            {
                QMutexLocker lock(&shared->mutex);
                shared->folder = folder;
            }
            if (!pending.isEmpty() && pacer.Due())
                flush();
        };
        const FindOutcome outcome = RunFindSearch(request, *control.StopFlag(), sink);
        flush();
        {
            QMutexLocker lock(&shared->mutex);
            shared->folder.clear();
        }
        control.Post([this, outcome] { m_finished(outcome); });
    });
    return true;
}

void FindSearchJob::Stop() {
    m_worker.Stop();
}

QByteArray FindSearchJob::CurrentFolder() const {
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->folder;
}
