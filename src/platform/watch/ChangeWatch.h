#pragma once
// ChangeWatch: the change-watch thread of one folder.
//
// One std::thread per watched folder waits on an inotify watch of that folder
// (its entries only, not the sub-tree). After a change it keeps waiting until
// the folder has been quiet for the settle time, each further change starting
// the wait again, and then, when the watch is enabled, posts one event to the
// receiver. So a burst of changes (a copy of many files, a tool rewriting a
// file in steps) gives one event, and the receiver re-reads the folder once.
//
// Guarantees:
// - Events are posted with QCoreApplication::postEvent, never delivered on
//   the watch thread; the receiver handles them on its own thread.
// - While the watch is disabled (SetEnabled(false)), settled changes post
//   nothing; they are not remembered for later either.
// - Stop() and the destructor return promptly, also in the middle of a
//   settle wait: the stop request wakes the thread through an eventfd.
// - When the watched folder is deleted, moved away or its volume unmounted,
//   the settled change is still reported (the receiver finds out on its
//   re-read), and the thread then ends by itself.
// - The receiver must outlive the watch: destroy (or Stop()) the watch before
//   the receiver, since a posted event names it.
//
// Names: the watch also keeps the names of the entries that changed, so a
// receiver can look at those entries only (TakeChanges). When the names
// can't tell the whole story (the kernel's event queue overflowed, the
// folder itself was deleted or moved, more names than kMaxNames piled up)
// the changes are "unknown" and only a full re-read will do.
//
// Other sources: where a change source serves the folder (ChangeSource.h,
// installed for folders on other machines, whose changes inotify never
// sees), the thread waits on the source instead of inotify, with the same
// settling, events and names. A source does not tell folders from files:
// a folders-only watch counts every entry made, deleted or renamed there.
//
// Why its own thread rather than a WorkerThread job: the watch is no job
// that ends; it sleeps in poll() on the inotify and stop descriptors for as
// long as the folder is shown, is woken through its eventfd rather than a
// stop flag polled between items, runs at the lowest nice level, and reports
// one settled event at a time to any receiver, not batches to its owner.
//
// Cost: one thread and one inotify instance per watch, asleep while nothing
// changes. The thread runs at the lowest nice level. The names kept are
// bounded by kMaxNames.

#include <QByteArray>
#include <QEvent>
#include <QSet>
#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class ChangeSource;
class QObject;

/// The event a ChangeWatch posts: its type is the one given to the watch,
/// parameter() the opaque value given to it (the program passes the folder
/// model it watches, so a stale event can be told from a current one).
class ChangeWatchEvent : public QEvent {
public:
    ChangeWatchEvent(QEvent::Type type, quintptr parameter)
        : QEvent(type), m_parameter(parameter) {}
    quintptr parameter() const { return m_parameter; }

private:
    quintptr m_parameter;
};

class ChangeWatch {
public:
    /// What changed since the last TakeChanges().
    struct Changes {
        /// The entries (raw name bytes, no path) made, deleted, renamed,
        /// written or changed in their attributes, each once, in the order
        /// first seen. Empty when `unknown`.
        std::vector<QByteArray> names;
        /// The names don't cover every change: re-read the whole folder.
        bool unknown = false;
        /// ChangeCount() as it was when these changes were taken.
        int changeCount = 0;
        bool Any() const { return unknown || !names.empty(); }
    };

    /// Beyond this many names a full re-read is cheaper than looking at
    /// each entry, and memory stays bounded.
    static constexpr std::size_t kMaxNames = 20000;

    /// What counts as a change.
    enum class Scope {
        /// Folders made, deleted or renamed in the folder (the watch of a
        /// view that lists folders only).
        FoldersOnly,
        /// Any entry made, deleted, renamed, written or changed in its
        /// attributes (mode, owner, times).
        Everything,
    };

    /// Settle time for folders on fixed disks.
    static constexpr std::chrono::milliseconds kSettleTime{100};
    /// Settle time for folders on removable volumes, which are slower to
    /// finish a burst of writes.
    static constexpr std::chrono::milliseconds kRemovableSettleTime{500};

    /// A watch of `folderPath` (the kernel's bytes of the path, as
    /// NameToBytes gives them) that posts a ChangeWatchEvent of `eventType`
    /// with `parameter` to `receiver`. Nothing happens before Start(). The
    /// watch starts enabled.
    ChangeWatch(QByteArray folderPath, Scope scope, std::chrono::milliseconds settleTime,
                QObject* receiver, int eventType, quintptr parameter);
    /// Stops the thread (see Stop()).
    ~ChangeWatch();
    ChangeWatch(const ChangeWatch&) = delete;
    ChangeWatch& operator=(const ChangeWatch&) = delete;

    /// How Start() may watch the folder.
    enum class Watcher {
        /// A change source where one serves the folder, else inotify.
        Any,
        /// A change source only: for folders where inotify would miss what
        /// others change (another machine's, on the FUSE bridge).
        SourceOnly,
    };

    /// Sets up the watch (a change source's, else inotify's) and starts the
    /// thread. False, with no thread, when the kernel refuses the watch (no
    /// such folder, not a folder, no permission, the per-user watch limit
    /// reached), when `watcher` is SourceOnly and no source serves the
    /// folder, or when the watch was started before. When a source finds
    /// later that its backend can't watch the folder, the thread goes on
    /// with inotify (Any) or ends without an event (SourceOnly: IsRunning()
    /// turns false).
    bool Start(Watcher watcher = Watcher::Any);
    /// Asks the thread to end and waits for it. Idempotent; the watch can't
    /// be started again.
    void Stop();

    /// Enables or disables the posting of events. Callable from any thread;
    /// the program disables a pane's watch while it changes the folder itself
    /// and refreshes the pane on its own afterwards.
    void SetEnabled(bool enabled) { m_enabled.store(enabled, std::memory_order_relaxed); }
    bool IsEnabled() const { return m_enabled.load(std::memory_order_relaxed); }

    /// True while the thread runs: from a successful Start() until Stop(),
    /// or until the watched folder vanished and its last change was handled.
    bool IsRunning() const { return m_running.load(std::memory_order_acquire); }

    /// Diagnostics: the changes seen so far (inotify events that count for
    /// the scope) and the settled bursts (each of which posted an event when
    /// the watch was enabled). Both only grow. A settled burst is counted
    /// after its event, if any, was posted.
    int ChangeCount() const { return m_changeCount.load(std::memory_order_acquire); }

    /// Hands over the changes seen since the last call and starts collecting
    /// afresh. Callable from any thread. Changes that settled while the
    /// watch was disabled are dropped with their burst (the program that
    /// disabled it re-reads the folder itself).
    Changes TakeChanges();
    int SettledCount() const { return m_settledCount.load(std::memory_order_acquire); }

    QByteArray FolderPath() const { return m_folderPath; }
    Scope WatchScope() const { return m_scope; }

private:
    /// What one read of the inotify descriptor found.
    struct ReadResult {
        int changes = 0;      // events that count for the scope (kept by Record)
        bool gone = false;    // the watch was removed (folder deleted, moved away, unmounted)
        bool failed = false;  // the descriptor can't be read any more
    };

    void Run();
    ReadResult ReadEvents();
    ReadResult ReadSource();
    // Sets up the inotify watch in place of the source.
    bool WatchWithInotify();
    void PostChange();
    // Counts one event and keeps its name (null: nothing to keep), or marks
    // the changes unknown.
    void Record(const char* name, std::size_t length, bool unknown);

    const QByteArray m_folderPath;
    const Scope m_scope;
    const std::chrono::milliseconds m_settleTime;
    QObject* const m_receiver;
    const int m_eventType;
    const quintptr m_parameter;

    Watcher m_watcher = Watcher::Any;
    int m_inotifyFd = -1;
    std::unique_ptr<ChangeSource> m_source;
    int m_stopFd = -1;
    bool m_started = false;
    std::thread m_thread;
    std::atomic<bool> m_enabled{true};
    std::atomic<bool> m_running{false};
    std::atomic<int> m_changeCount{0};
    std::atomic<int> m_settledCount{0};

    // The names since the last TakeChanges(); the change count moves with
    // them under the same lock, so a take knows what it covers.
    std::mutex m_changesLock;
    std::vector<QByteArray> m_names;
    QSet<QByteArray> m_seen;
    bool m_unknown = false;
};
