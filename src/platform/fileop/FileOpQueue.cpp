#include "platform/fileop/FileOpQueue.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <condition_variable>
#include <mutex>

#include "platform/fileop/FileOpProgressReporter.h"
#include "platform/fileop/FileOpProgressSink.h"
#include "platform/fileop/FileOperation.h"
#include "platform/thread/WorkerThread.h"
#include "platform/ui/Prompter.h"

const char* const kCloseWithOperationsQuestion =
    "%1 still running. Cancel and close?\n\nWhat is already done stays done; the items in "
    "progress are undone.";

const char* const kCloseWithOperationsTitle = "Corvane file operations";

namespace {

constexpr int kRefreshMs = 250;

FileOpQueue*& CurrentQueue() {
    static FileOpQueue* queue = nullptr;
    return queue;
}

QString TitleOf(const FileOpRequest& request) {
    const char* title = "Copying";
    if (request.func == FileOpRequest::Move)
        title = "Moving";
    else if (request.func == FileOpRequest::Delete)
        title = request.allowUndo ? "Moving to the trash" : "Deleting";
    return QCoreApplication::translate("FileOperation", title);
}

}  // namespace

FileOpQueue* BackgroundOperations() {
    return CurrentQueue();
}

void SetBackgroundOperations(FileOpQueue* queue) {
    CurrentQueue() = queue;
}

QString RunningOperationsText(int count) {
    if (count <= 0)
        return {};
    return count == 1
               ? QCoreApplication::translate("FileOperation", "1 operation running")
               : QCoreApplication::translate("FileOperation", "%1 operations running").arg(count);
}

// What the main thread and an operation's worker both touch, under `mutex`.
// Held by shared pointer: a question's queued call may still be on its way
// (or on the stack of a nested event loop) when the job is gone.
struct FileOpQueue::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    bool paused = false;
    bool waiting = false;  // queued behind an earlier queued operation
    bool cancelled = false;
    bool holding = false;  // the worker is stopped in Hold() now
    FileOpProgress progress;
    // Main thread only: where the questions go.
    QPointer<QWidget> promptParent;

    bool MayGoOn() const { return cancelled || (!paused && !waiting); }
};

// The worker's side of one operation: the engine's progress sink, and the
// prompter of the worker thread, which asks on the main thread and waits.
class FileOpQueue::WorkerSide : public FileOpProgressSink, public Prompter {
public:
    WorkerSide(std::shared_ptr<Shared> shared, FileOpQueue* queue)
        : m_shared(std::move(shared)), m_queue(queue) {}

    void Report(const FileOpProgress& progress) override {
        std::lock_guard lock(m_shared->mutex);
        m_shared->progress = progress;
    }
    void Hold() override {
        std::unique_lock lock(m_shared->mutex);
        m_shared->holding = true;
        m_shared->changed.wait(lock, [this] { return m_shared->MayGoOn(); });
        m_shared->holding = false;
    }

    PromptAnswer MessageBox(const PromptRequest& request) override {
        return Ask<PromptAnswer>(
            [request](QWidget* parent) {
                PromptRequest asked = request;
                asked.parent = parent;
                return Prompts().MessageBox(asked);
            },
            SafestAnswer(request.buttons));
    }
    int Choose(const ChoiceRequest& request) override {
        return Ask<int>(
            [request](QWidget* parent) {
                ChoiceRequest asked = request;
                asked.parent = parent;
                return Prompts().Choose(asked);
            },
            request.escapeAnswer);
    }
    std::optional<QString> InputBox(const InputRequest& request) override {
        return Ask<std::optional<QString>>(
            [request](QWidget* parent) {
                InputRequest asked = request;
                asked.parent = parent;
                return Prompts().InputBox(asked);
            },
            std::nullopt);
    }
    std::optional<QString> BrowseForFolder(const QString& title, const QString& initialPath,
                                           QWidget*) override {
        return Ask<std::optional<QString>>(
            [title, initialPath](QWidget* parent) {
                return Prompts().BrowseForFolder(title, initialPath, parent);
            },
            std::nullopt);
    }
    void Beep(BeepKind kind) override {
        QMetaObject::invokeMethod(
            m_queue, [kind] { Prompts().Beep(kind); }, Qt::QueuedConnection);
    }

private:
    // Hands `ask` to the main thread and waits for its answer, or for the
    // operation to be cancelled (then `whenCancelled`).
    template <typename Answer>
    Answer Ask(std::function<Answer(QWidget*)> ask, Answer whenCancelled) {
        struct Slot {
            bool answered = false;
            Answer answer{};
        };
        auto slot = std::make_shared<Slot>();
        std::shared_ptr<Shared> shared = m_shared;
        {
            std::lock_guard lock(shared->mutex);
            if (shared->cancelled)
                return whenCancelled;
        }
        QMetaObject::invokeMethod(
            m_queue,
            [shared, slot, ask = std::move(ask)] {
                {
                    std::lock_guard lock(shared->mutex);
                    if (shared->cancelled)
                        return;
                }
                const Answer answer = ask(shared->promptParent.data());
                std::lock_guard lock(shared->mutex);
                slot->answer = answer;
                slot->answered = true;
                shared->changed.notify_all();
            },
            Qt::QueuedConnection);
        std::unique_lock lock(shared->mutex);
        shared->changed.wait(lock, [&] { return slot->answered || shared->cancelled; });
        return shared->cancelled || !slot->answered ? whenCancelled : slot->answer;
    }

    std::shared_ptr<Shared> m_shared;
    FileOpQueue* m_queue;
};

struct FileOpQueue::Job {
    int id = 0;
    bool queued = false;  // main thread's copy of the wish
    FileOpRequest request;
    Finished finished;
    bool hasContext = false;
    QPointer<QObject> context;
    int windowDelayMs = 500;
    QElapsedTimer clock;
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
    std::unique_ptr<WorkerSide> workerSide;
    std::unique_ptr<FileOperation> operation;
    QPointer<FileOpProgressDialog> window;
    std::unique_ptr<WorkerThread> worker;
};

FileOpQueue::FileOpQueue(QObject* parent) : QObject(parent) {
    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, [this] { Refresh(); });
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(gui, &QGuiApplication::focusWindowChanged, this,
                &FileOpQueue::OnFocusWindowChanged);
}

bool FileOpQueue::IsWindowOfOperation(const QWindow* window) const {
    for (const auto& [id, job] : m_jobs) {
        if (job->window && job->window->windowHandle() == window)
            return true;
    }
    return false;
}

void FileOpQueue::OnFocusWindowChanged(QWindow* now) {
    if (!now)
        return;
    const QPointer<QWindow> before = m_lastFocus;
    const QPointer<QWindow> beforeParent = m_lastFocusParent;
    const bool dialogClosed = before != now && (!before || !before->isVisible());
    m_lastFocus = now;
    m_lastFocusParent = now->transientParent();
    // A progress window the user did not choose: the window manager's pick
    // after a dialog over another window closed.
    if (dialogClosed && IsWindowOfOperation(now) && beforeParent && beforeParent->isVisible() &&
        !IsWindowOfOperation(beforeParent)) {
        beforeParent->requestActivate();
    }
}

FileOpQueue::~FileOpQueue() {
    if (CurrentQueue() == this)
        CurrentQueue() = nullptr;
    CancelAll();
    for (auto& [id, job] : m_jobs) {
        job->worker.reset();  // waits for the worker; its posts are dropped
        delete job->window.data();
    }
}

FileOpQueue::Job* FileOpQueue::Find(int id) const {
    const auto it = m_jobs.find(id);
    return it == m_jobs.end() ? nullptr : it->second.get();
}

std::vector<int> FileOpQueue::Ids() const {
    std::vector<int> ids;
    for (const auto& [id, job] : m_jobs) ids.push_back(id);
    return ids;
}

int FileOpQueue::Start(FileOpRequest request, Finished finished, QObject* context,
                       Options options) {
    auto job = std::make_unique<Job>();
    Job* raw = job.get();
    const int id = m_nextId++;
    raw->id = id;
    raw->queued = options.queued;
    raw->request = request;
    raw->finished = std::move(finished);
    raw->hasContext = context != nullptr;
    raw->context = context;
    raw->windowDelayMs = options.windowDelayMs;
    raw->workerSide = std::make_unique<WorkerSide>(raw->shared, this);
    raw->operation = std::make_unique<FileOperation>(std::move(request));
    raw->operation->SetProgressSink(raw->workerSide.get());
    if (options.io)
        raw->operation->SetIo(options.io);
    raw->shared->progress.title = TitleOf(raw->request);
    raw->shared->promptParent = m_promptParent;

    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        auto* window = new FileOpProgressDialog(m_promptParent);
        window->setModal(false);
        // The main window keeps the keyboard: the user goes on working there.
        window->setAttribute(Qt::WA_ShowWithoutActivating);
        window->setWindowTitle(raw->shared->progress.title);
        window->AddBackgroundControls(options.queued);
        connect(window, &FileOpProgressDialog::cancelRequested, this, [this, id] { Cancel(id); });
        connect(window, &FileOpProgressDialog::closeRequested, this, [this, id] { AskCancel(id); });
        connect(window, &FileOpProgressDialog::pauseToggled, this,
                [this, id](bool paused) { SetPaused(id, paused); });
        connect(window, &FileOpProgressDialog::queueToggled, this,
                [this, id](bool queued) { SetQueued(id, queued); });
        raw->window = window;
    }

    m_jobs.emplace(id, std::move(job));
    UpdateHeld();

    raw->clock.start();
    raw->worker = std::make_unique<WorkerThread>();
    FileOperation* operation = raw->operation.get();
    WorkerSide* side = raw->workerSide.get();
    std::shared_ptr<Shared> shared = raw->shared;
    const std::vector<QByteArray> sources = raw->request.sources;
    raw->worker->Start([this, id, operation, side, shared, sources](const JobControl& control) {
        ThreadPrompterScope questions(side);
        side->Hold();  // a queued operation waits its turn before its plan
        FileOpResult result;
        bool cancelled = false;
        {
            std::lock_guard lock(shared->mutex);
            cancelled = shared->cancelled;
        }
        if (cancelled) {
            result.aborted = true;
            result.notDone = sources;
        } else {
            result = operation->Run();
        }
        control.Post([this, id, result] { Finish(id, result); });
    });
    if (!m_refresh.isActive())
        m_refresh.start();
    Q_EMIT runningChanged(Running());
    return id;
}

void FileOpQueue::Finish(int id, const FileOpResult& result) {
    const auto it = m_jobs.find(id);
    if (it == m_jobs.end())
        return;
    std::unique_ptr<Job> job = std::move(it->second);
    m_jobs.erase(it);
    // The worker has posted its last call and is returning; it must be gone
    // before the operation it ran. Its object is deleted later: this call
    // is being delivered through it.
    job->worker->Wait();
    job->worker.release()->deleteLater();
    if (job->window) {
        job->window->hide();
        job->window->deleteLater();
    }
    UpdateHeld();
    if (m_jobs.empty())
        m_refresh.stop();
    Q_EMIT runningChanged(Running());
    if (job->finished && (!job->hasContext || job->context))
        job->finished(result);
}

void FileOpQueue::UpdateHeld() {
    bool headSeen = false;
    for (auto& [id, job] : m_jobs) {
        const bool waiting = job->queued && headSeen;
        if (job->queued)
            headSeen = true;
        std::lock_guard lock(job->shared->mutex);
        if (job->shared->waiting != waiting) {
            job->shared->waiting = waiting;
            job->shared->changed.notify_all();
        }
    }
}

void FileOpQueue::Refresh() {
    for (auto& [id, job] : m_jobs) {
        if (!job->window)
            continue;
        FileOpProgress progress;
        bool paused = false, waiting = false;
        {
            std::lock_guard lock(job->shared->mutex);
            progress = job->shared->progress;
            paused = job->shared->paused;
            waiting = job->shared->waiting;
        }
        // A window that would come up over a question waits until it has
        // been answered, so that the question stays in sight.
        if (!job->window->isVisible() && job->clock.elapsed() >= job->windowDelayMs &&
            !QApplication::activeModalWidget()) {
            job->window->show();
            job->shared->promptParent = job->window.data();
        }
        job->window->SetHeld(paused, waiting);
        job->window->Update(progress);
    }
}

void FileOpQueue::SetPaused(int id, bool paused) {
    Job* job = Find(id);
    if (!job)
        return;
    {
        std::lock_guard lock(job->shared->mutex);
        job->shared->paused = paused;
        job->shared->changed.notify_all();
    }
    if (job->window)
        job->window->SetHeld(paused, IsWaiting(id));
}

bool FileOpQueue::IsPaused(int id) const {
    Job* job = Find(id);
    if (!job)
        return false;
    std::lock_guard lock(job->shared->mutex);
    return job->shared->paused;
}

void FileOpQueue::SetQueued(int id, bool queued) {
    Job* job = Find(id);
    if (!job || job->queued == queued)
        return;
    job->queued = queued;
    UpdateHeld();
}

bool FileOpQueue::IsQueued(int id) const {
    Job* job = Find(id);
    return job && job->queued;
}

bool FileOpQueue::IsWaiting(int id) const {
    Job* job = Find(id);
    if (!job)
        return false;
    std::lock_guard lock(job->shared->mutex);
    return job->shared->waiting;
}

bool FileOpQueue::IsHeldNow(int id) const {
    Job* job = Find(id);
    if (!job)
        return false;
    std::lock_guard lock(job->shared->mutex);
    return job->shared->holding && !job->shared->MayGoOn();
}

void FileOpQueue::Cancel(int id) {
    Job* job = Find(id);
    if (!job)
        return;
    job->operation->Cancel();
    {
        std::lock_guard lock(job->shared->mutex);
        job->shared->cancelled = true;
        job->shared->changed.notify_all();
    }
    if (job->window)
        job->window->RequestCancel();
}

void FileOpQueue::CancelAll() {
    for (int id : Ids()) Cancel(id);
}

void FileOpQueue::AskCancel(int id) {
    Job* job = Find(id);
    if (!job)
        return;
    PromptRequest request;
    request.text = QCoreApplication::translate("FileOperation", kCancelOperationQuestion);
    request.title = job->shared->progress.title;
    request.buttons = PromptButtons::YesNo;
    request.icon = PromptIcon::Question;
    request.defaultButton = 1;  // No: a stray key must not throw away a long copy
    request.parent = job->window.data();
    if (Prompts().MessageBox(request) == PromptAnswer::Yes)
        Cancel(id);
}

FileOpProgress FileOpQueue::Progress(int id) const {
    Job* job = Find(id);
    if (!job)
        return {};
    std::lock_guard lock(job->shared->mutex);
    return job->shared->progress;
}

FileOpProgressDialog* FileOpQueue::Window(int id) const {
    Job* job = Find(id);
    return job ? job->window.data() : nullptr;
}

void FileOpQueue::WaitAll() {
    std::vector<QPointer<WorkerThread>> workers;
    for (auto& [id, job] : m_jobs) {
        job->worker->Wait();
        workers.emplace_back(job->worker.get());
    }
    // Each worker's last call (its result) is waiting in the event queue:
    // deliver it now, so the operations are finished when this returns.
    for (const QPointer<WorkerThread>& worker : workers) {
        if (worker)
            QCoreApplication::sendPostedEvents(worker.data(), QEvent::MetaCall);
    }
}

bool FileOpQueue::ConfirmClose(QWidget* parent) {
    if (m_jobs.empty())
        return true;
    PromptRequest request;
    const QString what =
        Running() == 1
            ? QCoreApplication::translate("FileOperation", "A file operation is")
            : QCoreApplication::translate("FileOperation", "%1 file operations are").arg(Running());
    request.text =
        QCoreApplication::translate("FileOperation", kCloseWithOperationsQuestion).arg(what);
    request.title = QCoreApplication::translate("FileOperation", kCloseWithOperationsTitle);
    request.buttons = PromptButtons::YesNo;
    request.icon = PromptIcon::Question;
    request.defaultButton = 1;
    request.parent = parent;
    if (Prompts().MessageBox(request) != PromptAnswer::Yes)
        return false;
    CancelAll();
    WaitAll();
    return true;
}
