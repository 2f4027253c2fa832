#include "tools/SyncPlan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QHash>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/fs/UniqueFd.h"
#include "platform/namespace/NameCodec.h"
#include "tools/PaneCompare.h"

namespace {

SyncEntry::Kind KindOf(mode_t mode) {
    if (S_ISREG(mode))
        return SyncEntry::Kind::File;
    if (S_ISDIR(mode))
        return SyncEntry::Kind::Folder;
    if (S_ISLNK(mode))
        return SyncEntry::Kind::Link;
    return SyncEntry::Kind::Other;
}

void ScanFolder(int dirFd, const QString& shownPath, SyncEntry& folder,
                const std::atomic<bool>* stop, QStringList* problems) {
    // The folder is read through the descriptor the caller opened without
    // following links, so both sides are compared as they are on disk.
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        if (problems)
            *problems << shownPath;
        return;
    }
    while (const dirent* d = ::readdir(dir)) {
        if (stop && stop->load(std::memory_order_relaxed))
            break;
        const char* name = d->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        struct stat st;
        if (::fstatat(::dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (problems)
                *problems << shownPath + QLatin1Char('/') +
                                 NameFromBytes(name, qsizetype(std::strlen(name)));
            continue;
        }
        SyncEntry entry;
        entry.name = NameFromBytes(name, qsizetype(std::strlen(name)));
        entry.kind = KindOf(st.st_mode);
        entry.size = entry.kind == SyncEntry::Kind::File ? std::uint64_t(st.st_size) : 0;
        entry.modified = FileTimeFromTimespec(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
        if (entry.kind == SyncEntry::Kind::Link) {
            char target[4096];
            const ssize_t n = ::readlinkat(::dirfd(dir), name, target, sizeof target);
            if (n >= 0)
                entry.linkTarget = QByteArray(target, qsizetype(n));
        } else if (entry.kind == SyncEntry::Kind::Folder) {
            const int child =
                ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0)
                ScanFolder(child, shownPath + QLatin1Char('/') + entry.name, entry, stop, problems);
            else if (problems)
                *problems << shownPath + QLatin1Char('/') + entry.name;
        }
        folder.children.push_back(std::move(entry));
    }
    ::closedir(dir);
    std::sort(folder.children.begin(), folder.children.end(),
              [](const SyncEntry& a, const SyncEntry& b) { return a.name < b.name; });
}

QString Join(const QString& folder, const QString& name) {
    return folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
}

SyncRow OneSided(const SyncEntry& entry, const QString& relative, bool left) {
    SyncRow row;
    row.relative = relative;
    row.kind = left ? SyncKind::LeftOnly : SyncKind::RightOnly;
    row.action = left ? SyncAction::CopyRight : SyncAction::CopyLeft;
    row.folder = entry.kind == SyncEntry::Kind::Folder;
    (left ? row.leftSize : row.rightSize) = entry.size;
    (left ? row.leftTime : row.rightTime) = entry.modified;
    (left ? row.onLeft : row.onRight) = true;
    return row;
}

void Compare(const SyncEntry& left, const SyncEntry& right, const QString& relative, bool byContent,
             const SyncContentEqual& contentEqual, std::vector<SyncRow>& rows) {
    // Both lists are sorted by name: walk them together.
    std::size_t i = 0;
    std::size_t j = 0;
    const auto& l = left.children;
    const auto& r = right.children;
    while (i < l.size() || j < r.size()) {
        if (j >= r.size() || (i < l.size() && l[i].name < r[j].name)) {
            rows.push_back(OneSided(l[i], Join(relative, l[i].name), true));
            ++i;
            continue;
        }
        if (i >= l.size() || r[j].name < l[i].name) {
            rows.push_back(OneSided(r[j], Join(relative, r[j].name), false));
            ++j;
            continue;
        }
        const SyncEntry& a = l[i++];
        const SyncEntry& b = r[j++];
        const QString path = Join(relative, a.name);
        if (a.kind == SyncEntry::Kind::Folder && b.kind == SyncEntry::Kind::Folder) {
            Compare(a, b, path, byContent, contentEqual, rows);
            continue;
        }
        SyncRow row;
        row.relative = path;
        row.leftSize = a.size;
        row.rightSize = b.size;
        row.leftTime = a.modified;
        row.rightTime = b.modified;
        row.onLeft = row.onRight = true;
        row.action = SyncAction::Skip;
        if (a.kind != b.kind || a.kind == SyncEntry::Kind::Other) {
            if (a.kind == SyncEntry::Kind::Other && b.kind == SyncEntry::Kind::Other)
                continue;  // two special files: nothing to compare or copy
            row.kind = SyncKind::Different;
            rows.push_back(row);
            continue;
        }
        if (a.kind == SyncEntry::Kind::Link && a.linkTarget == b.linkTarget)
            continue;
        const int order = CompareTimesWithTolerance(a.modified, b.modified, false, false);
        if (order > 0) {
            row.kind = SyncKind::NewerLeft;
            row.action = SyncAction::CopyRight;
        } else if (order < 0) {
            row.kind = SyncKind::NewerRight;
            row.action = SyncAction::CopyLeft;
        } else if (a.kind == SyncEntry::Kind::Link || a.size != b.size) {
            row.kind = SyncKind::Different;
        } else if (byContent && a.kind == SyncEntry::Kind::File && contentEqual &&
                   !contentEqual(path)) {
            row.kind = SyncKind::Different;
        } else {
            continue;  // the same
        }
        rows.push_back(row);
    }
}

}  // namespace

SyncEntry ScanSyncTree(const QString& root, const std::atomic<bool>* stop, QStringList* problems) {
    SyncEntry entry;
    entry.kind = SyncEntry::Kind::Folder;
    const int fd = ::open(NameToBytes(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (problems)
            *problems << root;
        return entry;
    }
    ScanFolder(fd, root, entry, stop, problems);
    return entry;
}

std::vector<SyncRow> BuildSyncPlan(const SyncEntry& left, const SyncEntry& right, bool byContent,
                                   const SyncContentEqual& contentEqual) {
    std::vector<SyncRow> rows;
    Compare(left, right, QString(), byContent, contentEqual, rows);
    return rows;
}

std::vector<SyncAction> AllowedSyncActions(const SyncRow& row) {
    if (row.onLeft && !row.onRight)
        return {SyncAction::CopyRight, SyncAction::Delete, SyncAction::Skip};
    if (row.onRight && !row.onLeft)
        return {SyncAction::CopyLeft, SyncAction::Delete, SyncAction::Skip};
    return {SyncAction::CopyRight, SyncAction::CopyLeft, SyncAction::Skip};
}

namespace {

// Reads until `length` bytes or the end; -1 on an error.
ssize_t ReadFull(int fd, char* data, std::size_t length) {
    std::size_t got = 0;
    while (got < length) {
        const ssize_t n = ::read(fd, data + got, length - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += std::size_t(n);
    }
    return ssize_t(got);
}

}  // namespace

bool SyncFilesEqual(const QString& a, const QString& b, const std::atomic<bool>* stop) {
    const UniqueFd fa(::open(NameToBytes(a).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    const UniqueFd fb(::open(NameToBytes(b).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fa || !fb)
        return false;
    constexpr std::size_t kBlock = 256 * 1024;
    std::vector<char> x(kBlock);
    std::vector<char> y(kBlock);
    for (;;) {
        if (stop && stop->load(std::memory_order_relaxed))
            return false;
        const ssize_t n = ReadFull(fa.get(), x.data(), kBlock);
        const ssize_t m = ReadFull(fb.get(), y.data(), kBlock);
        if (n < 0 || m < 0 || n != m || std::memcmp(x.data(), y.data(), std::size_t(n)) != 0)
            return false;
        if (n < ssize_t(kBlock))
            return true;
    }
}

std::vector<SyncBatch> SyncBatches(const std::vector<SyncRow>& rows, const QString& leftRoot,
                                   const QString& rightRoot) {
    std::vector<SyncBatch> copies;
    QHash<QString, std::size_t> copyIndex;  // what + target -> batch
    SyncBatch deleteLeft{SyncBatch::What::DeleteLeft, QString(), {}};
    SyncBatch deleteRight{SyncBatch::What::DeleteRight, QString(), {}};
    for (const SyncRow& row : rows) {
        const qsizetype slash = row.relative.lastIndexOf(QLatin1Char('/'));
        const QString parent = slash < 0 ? QString() : row.relative.left(slash);
        switch (row.action) {
            case SyncAction::Skip:
                break;
            case SyncAction::CopyRight:
            case SyncAction::CopyLeft: {
                const bool toRight = row.action == SyncAction::CopyRight;
                const QString& from = toRight ? leftRoot : rightRoot;
                const QString& to = toRight ? rightRoot : leftRoot;
                const QString target = parent.isEmpty() ? to : to + QLatin1Char('/') + parent;
                const QString key = (toRight ? QStringLiteral("R") : QStringLiteral("L")) + target;
                auto it = copyIndex.find(key);
                if (it == copyIndex.end()) {
                    it = copyIndex.insert(key, copies.size());
                    copies.push_back(
                        {toRight ? SyncBatch::What::CopyToRight : SyncBatch::What::CopyToLeft,
                         target,
                         {}});
                }
                copies[*it].sources << from + QLatin1Char('/') + row.relative;
                break;
            }
            case SyncAction::Delete:
                if (row.onLeft && !row.onRight)
                    deleteLeft.sources << leftRoot + QLatin1Char('/') + row.relative;
                else if (row.onRight && !row.onLeft)
                    deleteRight.sources << rightRoot + QLatin1Char('/') + row.relative;
                break;
        }
    }
    if (!deleteLeft.sources.isEmpty())
        copies.push_back(deleteLeft);
    if (!deleteRight.sources.isEmpty())
        copies.push_back(deleteRight);
    return copies;
}
