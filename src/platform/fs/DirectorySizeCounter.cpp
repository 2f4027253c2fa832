#include "platform/fs/DirectorySizeCounter.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <utility>
#include <vector>

#include "platform/fs/FileSystem.h"
#include "platform/fs/UniqueFd.h"
#include "platform/thread/ReportBatch.h"

namespace {

// Progress is worth repainting a few times a second, not per file.
constexpr std::chrono::milliseconds kProgressInterval{150};

bool IsDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

}  // namespace

void DirectorySizeWorker::Count(const QList<QByteArray>& paths) {
    DirectoryTotals totals;
    std::set<std::pair<dev_t, ino_t>> linked;  // files with several names, seen once
    ReportPacer pacer(kProgressInterval);
    bool stopped = false;
    bool first = true;

    auto addFile = [&](const struct stat& st) {
        ++totals.files;
        if (st.st_nlink > 1 && !linked.insert({st.st_dev, st.st_ino}).second)
            return;
        totals.bytes += std::uint64_t(st.st_size);
    };
    auto report = [&] {
        if (pacer.Due())
            Q_EMIT Progress(totals);
    };

    for (const QByteArray& root : paths) {
        if (m_stop->load()) {
            stopped = true;
            break;
        }
        struct stat st;
        if (::lstat(root.constData(), &st) != 0)
            continue;  // Gone since it was listed: nothing to count.
        if (!S_ISDIR(st.st_mode)) {
            addFile(st);
            continue;
        }
        const dev_t device = st.st_dev;
        std::vector<QByteArray> pending{root};
        while (!pending.empty() && !stopped) {
            const QByteArray folder = std::move(pending.back());
            pending.pop_back();
            // A no-follow open and entries stat'ed relative to it: a link
            // is counted as itself and never entered.
            const UniqueDir dir = UniqueDir::OpenFolder(folder);
            if (!dir) {
                ++totals.unreadable;
                continue;
            }
            const int fd = dir.fd();
            while (const dirent* entry = ::readdir(dir.get())) {
                if (m_stop->load()) {
                    stopped = true;
                    break;
                }
                if (IsDot(entry->d_name))
                    continue;
                struct stat child;
                if (::fstatat(fd, entry->d_name, &child, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;  // Vanished while we looked.
                if (S_ISDIR(child.st_mode)) {
                    ++totals.folders;
                    // Another file system's contents are not this folder's.
                    if (child.st_dev == device)
                        pending.push_back(JoinPathBytes(folder, entry->d_name));
                } else {
                    addFile(child);
                }
                report();
            }
            if (first) {
                // The first figure shows at once, however quick the rest.
                first = false;
                pacer.Restart();
                Q_EMIT Progress(totals);
            }
        }
        if (stopped)
            break;
    }
    Q_EMIT Finished(totals, stopped);
}

DirectorySizeCounter::DirectorySizeCounter(QObject* parent) : QObject(parent) {
    qRegisterMetaType<DirectoryTotals>();
}

DirectorySizeCounter::~DirectorySizeCounter() = default;

void DirectorySizeCounter::Start(const QList<QByteArray>& paths) {
    m_totals = {};
    m_running = true;
    // A count still running is cancelled: nothing more of it arrives.
    m_worker.Start([this, paths](const JobControl& control) {
        DirectorySizeWorker worker(control.StopFlag());
        // Connected without a context: the worker's signals come straight
        // here, on the worker thread, and are posted on from here.
        QObject::connect(&worker, &DirectorySizeWorker::Progress,
                         [this, control](const DirectoryTotals& totals) {
                             control.Post([this, totals] {
                                 m_totals = totals;
                                 Q_EMIT Progress(totals);
                             });
                         });
        QObject::connect(&worker, &DirectorySizeWorker::Finished,
                         [this, control](const DirectoryTotals& totals, bool stopped) {
                             control.Post([this, totals, stopped] {
                                 m_totals = totals;
                                 m_running = false;
                                 Q_EMIT Finished(totals, stopped);
                             });
                         });
        worker.Count(paths);
    });
}

void DirectorySizeCounter::Stop() {
    m_worker.Stop();
}
