#include "platform/watch/ChangeWatch.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QObject>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/watch/ChangeSource.h"

namespace {

// Entries made, deleted or renamed; for a folders-only watch only those whose
// event carries IN_ISDIR count.
constexpr std::uint32_t kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
// Written contents (IN_MODIFY while a writer works, IN_CLOSE_WRITE when it is
// done) and changed attributes.
constexpr std::uint32_t kContentEvents = IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB;
// The folder itself going away. The kernel sends IN_IGNORED after the last
// of them, when it has dropped the watch.
constexpr std::uint32_t kSelfEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT;

std::uint32_t MaskFor(ChangeWatch::Scope scope) {
    std::uint32_t mask = kNameEvents | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    if (scope == ChangeWatch::Scope::Everything)
        mask |= kContentEvents | IN_EXCL_UNLINK;
    return mask;
}

void CloseFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

}  // namespace

ChangeWatch::ChangeWatch(QByteArray folderPath, Scope scope, std::chrono::milliseconds settleTime,
                         QObject* receiver, int eventType, quintptr parameter)
    : m_folderPath(std::move(folderPath)),
      m_scope(scope),
      m_settleTime(settleTime),
      m_receiver(receiver),
      m_eventType(eventType),
      m_parameter(parameter) {}

ChangeWatch::~ChangeWatch() {
    Stop();
}

bool ChangeWatch::WatchWithInotify() {
    m_source.reset();
    m_inotifyFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotifyFd < 0 || m_folderPath.isEmpty() ||
        ::inotify_add_watch(m_inotifyFd, m_folderPath.constData(), MaskFor(m_scope)) < 0) {
        CloseFd(m_inotifyFd);
        return false;
    }
    return true;
}

bool ChangeWatch::Start(Watcher watcher) {
    if (m_started)
        return false;
    m_started = true;
    m_watcher = watcher;

    if (!m_folderPath.isEmpty())
        m_source = OpenChangeSource(m_folderPath);
    if (m_source) {
        m_stopFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (m_stopFd < 0) {
            m_source.reset();
            return false;
        }
        m_running.store(true, std::memory_order_release);
        m_thread = std::thread([this] { Run(); });
        return true;
    }
    if (watcher == Watcher::SourceOnly)
        return false;
    m_stopFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_stopFd < 0 || !WatchWithInotify()) {
        CloseFd(m_stopFd);
        return false;
    }

    m_running.store(true, std::memory_order_release);
    m_thread = std::thread([this] { Run(); });
    return true;
}

void ChangeWatch::Stop() {
    if (m_thread.joinable()) {
        const std::uint64_t one = 1;
        // The eventfd counter can't overflow from one write, so this can only
        // fail if the descriptor is broken, and then the thread's poll() has
        // already woken with an error and ended the loop.
        [[maybe_unused]] const ssize_t n = ::write(m_stopFd, &one, sizeof one);
        m_thread.join();
    }
    CloseFd(m_inotifyFd);
    CloseFd(m_stopFd);
    m_source.reset();
    m_running.store(false, std::memory_order_release);
}

ChangeWatch::ReadResult ChangeWatch::ReadEvents() {
    ReadResult result;
    alignas(struct inotify_event) char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(m_inotifyFd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN)
                result.failed = true;
            return result;
        }
        if (n == 0) {
            result.failed = true;
            return result;
        }
        for (ssize_t at = 0; at + ssize_t(sizeof(struct inotify_event)) <= n;) {
            const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
            at += ssize_t(sizeof(struct inotify_event)) + event->len;
            const std::uint32_t mask = event->mask;
            // The kernel pads the name with NULs up to `len`.
            const std::size_t nameLength = event->len ? ::strnlen(event->name, event->len) : 0;
            if (mask & IN_IGNORED) {
                result.gone = true;
            } else if (mask & (kSelfEvents | IN_Q_OVERFLOW)) {
                // Lost events or a vanished folder: either way the folder's
                // listing is stale, and no name says where.
                ++result.changes;
                Record(nullptr, 0, true);
            } else if (m_scope == Scope::FoldersOnly) {
                if ((mask & IN_ISDIR) && (mask & kNameEvents)) {
                    ++result.changes;
                    Record(event->name, nameLength, nameLength == 0);
                }
            } else if (mask & (kNameEvents | kContentEvents)) {
                ++result.changes;
                // An event of the folder itself (its own attributes) names
                // no entry; it changes no row either.
                Record(nameLength > 0 ? event->name : nullptr, nameLength, false);
            }
            // The folder moved away keeps its watch, but what it shows is no
            // longer at the watched path; treat it like a deletion.
            if (mask & IN_MOVE_SELF)
                result.gone = true;
        }
    }
}

ChangeWatch::ReadResult ChangeWatch::ReadSource() {
    using Kind = ChangeSource::Change::Kind;
    ReadResult result;
    for (const ChangeSource::Change& change : m_source->Take()) {
        switch (change.kind) {
            case Kind::Name:
                ++result.changes;
                Record(change.name.constData(), std::size_t(change.name.size()),
                       change.name.isEmpty());
                break;
            case Kind::Content:
                if (m_scope == Scope::FoldersOnly)
                    break;
                ++result.changes;
                Record(change.name.isEmpty() ? nullptr : change.name.constData(),
                       std::size_t(change.name.size()), false);
                break;
            case Kind::Gone:
                ++result.changes;
                Record(nullptr, 0, true);
                result.gone = true;
                break;
            case Kind::Unavailable:
                // Where inotify may do, it does what it can from here on.
                result.failed = m_watcher == Watcher::SourceOnly || !WatchWithInotify();
                return result;
        }
    }
    return result;
}

void ChangeWatch::Record(const char* name, std::size_t length, bool unknown) {
    const std::lock_guard lock(m_changesLock);
    m_changeCount.fetch_add(1, std::memory_order_release);
    if (m_unknown || (name == nullptr && !unknown))
        return;
    if (unknown || m_names.size() >= kMaxNames) {
        m_unknown = true;
        m_names.clear();
        m_seen.clear();
        return;
    }
    QByteArray bytes(name, qsizetype(length));
    if (m_seen.contains(bytes))
        return;
    m_seen.insert(bytes);
    m_names.push_back(std::move(bytes));
}

ChangeWatch::Changes ChangeWatch::TakeChanges() {
    const std::lock_guard lock(m_changesLock);
    Changes changes;
    changes.unknown = m_unknown;
    changes.names = std::move(m_names);
    changes.changeCount = m_changeCount.load(std::memory_order_acquire);
    m_names.clear();
    m_seen.clear();
    m_unknown = false;
    return changes;
}

void ChangeWatch::PostChange() {
    if (!IsEnabled()) {
        // Not remembered for later: the program re-reads the folder itself.
        TakeChanges();
        return;
    }
    if (m_receiver == nullptr)
        return;
    QCoreApplication::postEvent(m_receiver,
                                new ChangeWatchEvent(QEvent::Type(m_eventType), m_parameter));
}

void ChangeWatch::Run() {
    // The watch only ever waits and posts; it must not compete with the
    // program's own work.
    ::setpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)), 19);

    using Clock = std::chrono::steady_clock;
    bool settling = false;
    Clock::time_point quietAt;
    for (;;) {
        int timeout = -1;
        if (settling) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(quietAt - Clock::now()).count();
            timeout = left > 0 ? int(left) : 0;
        }
        const int changesFd = m_source ? m_source->Descriptor() : m_inotifyFd;
        struct pollfd fds[2] = {{changesFd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeout);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents != 0)
            break;  // Stop(), or the stop descriptor failed.

        if (ready == 0) {
            // Quiet for the settle time: the burst is over.
            settling = false;
            PostChange();
            m_settledCount.fetch_add(1, std::memory_order_release);
            continue;
        }

        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL))
            break;
        const ReadResult read = m_source ? ReadSource() : ReadEvents();
        if (read.changes > 0) {
            settling = true;
            quietAt = Clock::now() + m_settleTime;
        }
        if (read.failed)
            break;
        if (read.gone) {
            // No more events can come. Report what was seen, once the settle
            // time has passed (or right away on a stop request), and end.
            if (settling) {
                struct pollfd stop = {m_stopFd, POLLIN, 0};
                int got;
                do {
                    const auto left =
                        std::chrono::ceil<std::chrono::milliseconds>(quietAt - Clock::now())
                            .count();
                    got = ::poll(&stop, 1, left > 0 ? int(left) : 0);
                } while (got < 0 && errno == EINTR);
                if (got == 0) {
                    PostChange();
                    m_settledCount.fetch_add(1, std::memory_order_release);
                }
            }
            break;
        }
    }
    m_running.store(false, std::memory_order_release);
}
