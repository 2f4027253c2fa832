#include "platform/archive/ArchiveExtractor.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLocale>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/archive/ArchiveReader.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/TempCopyFile.h"
#include "platform/fs/UniqueFd.h"
#include "platform/namespace/NameCodec.h"

namespace {

constexpr std::size_t kBlock = 1 << 20;
constexpr std::uint16_t kDefaultFileMode = 0644;
constexpr std::uint16_t kDefaultFolderMode = 0755;
// Only the permission bits: set-id and sticky bits are not given out.
constexpr std::uint16_t kPermissionBits = 0777;
constexpr std::int64_t kTicksPerSecond = 10'000'000;

QString Tr(const char* text) {
    return QString::fromUtf8(text);
}

QString ErrnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString Shown(const QByteArray& path) {
    return DisplayFromName(NameFromBytes(path));
}

// A FileTime as the kernel takes it; unknown times are left as they are.
struct timespec TimespecOf(FileTime t) {
    struct timespec ts {};
    if (t == 0) {
        ts.tv_nsec = UTIME_OMIT;
        return ts;
    }
    ts.tv_sec = time_t(std::int64_t(t / kTicksPerSecond) - kFileTimeEpochOffsetSeconds);
    ts.tv_nsec = long((t % kTicksPerSecond) * 100);
    return ts;
}

std::uint16_t ModeOf(const ArchiveIndex::Node& n, std::uint16_t fallback) {
    const std::uint16_t mode = n.mode & kPermissionBits;
    return mode ? mode : fallback;
}

QByteArray Joined(const QByteArray& folder, const QByteArray& relative) {
    return folder.endsWith('/') ? folder + relative : folder + '/' + relative;
}

}  // namespace

QString OverExtractLimitText(std::uint64_t size, std::uint64_t limit) {
    const QLocale locale = QLocale::system();
    return QStringLiteral("%1: it holds %2, over the limit of \"nMaxExtractSize\" (%3)")
        .arg(kTooLargeToViewText, locale.formattedDataSize(qint64(size)),
             locale.formattedDataSize(qint64(limit)));
}

ArchiveExtractor::ArchiveExtractor(std::shared_ptr<const ArchiveIndex> index)
    : m_index(std::move(index)) {}

int ArchiveExtractor::LinkSource(int node) const {
    const ArchiveIndex::Node& n = m_index->At(node);
    if (n.kind == ArchiveIndex::Kind::File)
        return node;
    if (n.kind != ArchiveIndex::Kind::Link || !n.hardLink)
        return -1;
    // A hard link names another entry by its path inside the archive.
    int at = ArchiveIndex::kRoot;
    for (const QByteArray& part : ArchivePathParts(m_index->LinkTargetOf(node))) {
        at = m_index->Child(at, part);
        if (at < 0)
            return -1;
    }
    return at != node && m_index->At(at).kind == ArchiveIndex::Kind::File ? at : -1;
}

void ArchiveExtractor::PlanTree(int top, const QByteArray& relative, std::size_t topIndex) {
    // Depth first, a folder before what it holds, siblings in archive order;
    // an explicit stack, since an archive decides how deep its tree goes.
    std::vector<std::pair<int, QByteArray>> stack{{top, relative}};
    std::vector<int> children;
    while (!stack.empty()) {
        auto [node, path] = std::move(stack.back());
        stack.pop_back();
        Planned item;
        item.node = node;
        item.source = LinkSource(node);
        item.relative = path;
        item.top = topIndex;
        if (item.source >= 0)
            m_totalBytes += m_index->At(item.source).size;
        m_plan.push_back(std::move(item));
        if (!m_index->IsDirectory(node))
            continue;
        children.clear();
        for (int child = m_index->At(node).firstChild; child >= 0;
             child = m_index->At(child).nextSibling)
            children.push_back(child);
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.emplace_back(*it, path + '/' + m_index->NameOf(*it));
    }
}

void ArchiveExtractor::Add(int node) {
    if (!m_index || node <= ArchiveIndex::kRoot || node >= m_index->Count())
        return;
    const QByteArray name = m_index->NameOf(node);
    const std::size_t top = m_tops.size();
    m_tops.push_back(name);
    const bool taken = std::find(m_tops.begin(), m_tops.end() - 1, name) != m_tops.end() - 1;
    m_topFailed.push_back(taken);
    m_topNodes.push_back(node);
    if (taken) {
        m_errors << Tr("\"%1\": another item of the same name is copied already")
                        .arg(Shown(m_index->PathOf(node)));
        return;
    }
    PlanTree(node, name, top);
}

void ArchiveExtractor::Fail(std::size_t planned, const QString& why) {
    const Planned& item = m_plan[planned];
    m_topFailed[item.top] = true;
    if (!why.isEmpty())
        m_errors << QStringLiteral("\"%1\": %2").arg(Shown(m_index->PathOf(item.node)), why);
}

int ArchiveExtractor::CopiedNodeAt(const QList<QByteArray>& parts) const {
    if (parts.isEmpty())
        return -1;
    int node = -1;
    for (std::size_t t = 0; t < m_tops.size(); ++t) {
        if (!m_topFailed[t] && m_tops[t] == parts.front()) {
            node = m_topNodes[t];
            break;
        }
    }
    for (qsizetype i = 1; node >= 0 && i < parts.size(); ++i)
        node = m_index->IsDirectory(node) ? m_index->Child(node, parts[i]) : -1;
    return node;
}

bool ArchiveExtractor::LinkStaysInside(const QByteArray& relative, const QByteArray& target) const {
    // The target is followed as the system would follow it once the copy
    // is on the disk: component by component from the link's folder,
    // through the links of the copied tree, never above the folder the
    // copy goes to. What lies beyond the copied tree can't be looked at:
    // no ".." may follow a step out of it.
    QList<QByteArray> at = relative.split('/');
    at.removeLast();
    QList<QByteArray> rest = target.split('/');
    if (target.startsWith('/'))
        return false;
    int follows = 0;
    bool beyond = false;
    while (!rest.isEmpty()) {
        const QByteArray part = rest.takeFirst();
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (at.isEmpty() || beyond)
                return false;
            at.removeLast();
            continue;
        }
        at.append(part);
        if (beyond)
            continue;
        const int node = CopiedNodeAt(at);
        if (node < 0) {
            beyond = true;
            continue;
        }
        const ArchiveIndex::Node& n = m_index->At(node);
        if (n.kind == ArchiveIndex::Kind::Link && !n.hardLink) {
            // A link of the copied tree on the way: its own target goes
            // first, from its folder.
            if (++follows > 40)
                return false;
            const QByteArray inner = m_index->LinkTargetOf(node);
            if (inner.isEmpty() || inner.startsWith('/'))
                return false;
            at.removeLast();
            rest = inner.split('/') + rest;
        }
    }
    return true;
}

// Folders and links first: they need no contents, and the files of the
// pass need their folders.
bool ArchiveExtractor::MakeEntries(const QByteArray& folder) {
    for (std::size_t i = 0; i < m_plan.size(); ++i) {
        Planned& item = m_plan[i];
        if (m_topFailed[item.top])
            continue;
        const ArchiveIndex::Node& n = m_index->At(item.node);
        const QByteArray path = Joined(folder, item.relative);
        switch (n.kind) {
            case ArchiveIndex::Kind::Directory:
                // Owner-only until filled; its own mode comes at the end.
                if (::mkdir(path.constData(), 0700) != 0)
                    Fail(i, ErrnoText(errno));
                else
                    item.written = true;
                break;
            case ArchiveIndex::Kind::Link:
                if (n.hardLink) {
                    if (item.source < 0)
                        Fail(i, Tr("the entry it links to is not in the archive"));
                    break;
                }
                if (n.linkLength == 0) {
                    Fail(i, Tr("the link has no target"));
                } else if (!LinkStaysInside(item.relative, m_index->LinkTargetOf(item.node))) {
                    // Left out, and said so; the rest of the copy goes on.
                    m_errors << Tr("\"%1\": a link to \"%2\", which leads out of the folder the "
                                   "copy goes to; left out")
                                    .arg(Shown(m_index->PathOf(item.node)),
                                         Shown(m_index->LinkTargetOf(item.node)));
                    item.written = true;
                } else if (::symlink(m_index->LinkTargetOf(item.node).constData(),
                                     path.constData()) != 0) {
                    Fail(i, ErrnoText(errno));
                } else {
                    const struct timespec times[2] = {TimespecOf(n.times[kTimeAccessed]),
                                                      TimespecOf(n.times[kTimeModified])};
                    ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW);
                    item.written = true;
                }
                break;
            case ArchiveIndex::Kind::Special:
                // Nothing a user copies: left out, and said so.
                m_errors << Tr("\"%1\": a device, pipe or socket, left out")
                                .arg(Shown(m_index->PathOf(item.node)));
                item.written = true;
                break;
            case ArchiveIndex::Kind::File:
                break;
        }
    }
    return true;
}

bool ArchiveExtractor::WriteEntry(ArchiveReader& reader, const std::vector<std::size_t>& targets,
                                  const QByteArray& folder, const Pump& pump) {
    const int source = m_plan[targets.front()].source;
    const ArchiveIndex::Node& n = m_index->At(source);
    const QByteArray entryPath = m_index->PathOf(source);
    std::vector<UniqueFd> files;
    std::vector<QByteArray> paths;
    QString failure;
    for (std::size_t planned : targets) {
        const QByteArray path = Joined(folder, m_plan[planned].relative);
        UniqueFd fd(
            ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd) {
            failure = ErrnoText(errno);
            break;
        }
        files.push_back(std::move(fd));
        paths.push_back(path);
    }
    std::vector<char> buffer;
    std::uint64_t left = failure.isEmpty() ? n.size : 0;
    if (left > 0)
        buffer.resize(std::min<std::uint64_t>(left, kBlock));
    while (failure.isEmpty() && left > 0) {
        const std::int64_t got =
            reader.ReadData(buffer.data(), std::int64_t(std::min<std::uint64_t>(left, kBlock)));
        if (got < 0) {
            failure = reader.Error();
            break;
        }
        if (got == 0) {
            failure =
                Tr("the entry ends before its stated size (the archive is damaged or "
                   "truncated)");
            break;
        }
        for (const UniqueFd& fd : files) {
            if (!WriteAll(fd.get(), QByteArray::fromRawData(buffer.data(), qsizetype(got)))) {
                failure = ErrnoText(errno);
                break;
            }
        }
        left -= std::uint64_t(got);
        m_bytesDone += std::uint64_t(got);
        if (pump && !pump(entryPath, m_bytesDone)) {
            m_stopped = true;
            break;
        }
    }
    if (failure.isEmpty() && !m_stopped) {
        // One byte more than the header said must not be there.
        char probe;
        const std::int64_t extra = reader.ReadData(&probe, 1);
        if (extra < 0)
            failure = reader.Error();
        else if (extra > 0)
            failure = Tr("the entry holds more data than its header says");
    }
    if (failure.isEmpty() && !m_stopped) {
        const struct timespec times[2] = {TimespecOf(n.times[kTimeAccessed]),
                                          TimespecOf(n.times[kTimeModified])};
        const mode_t mode = ModeOf(n, kDefaultFileMode);
        for (UniqueFd& fd : files) {
            if (::fchmod(fd.get(), mode) != 0 || ::futimens(fd.get(), times) != 0 ||
                fd.Close() != 0) {
                failure = ErrnoText(errno);
                break;
            }
        }
    }
    const bool ok = failure.isEmpty() && !m_stopped;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (ok) {
            m_plan[targets[i]].written = true;
        } else {
            if (i < paths.size())
                ::unlink(paths[i].constData());
            Fail(targets[i], m_stopped ? QString() : failure);
        }
    }
    return ok;
}

void ArchiveExtractor::ReadContents(const QByteArray& folder, const Pump& pump) {
    // Which header gives the data of which planned files, in archive order.
    std::vector<std::pair<int, std::size_t>> wanted;
    for (std::size_t i = 0; i < m_plan.size(); ++i) {
        const Planned& item = m_plan[i];
        if (item.source >= 0 && !m_topFailed[item.top])
            wanted.emplace_back(m_index->At(item.source).ordinal, i);
    }
    if (wanted.empty())
        return;
    std::sort(wanted.begin(), wanted.end());
    auto failRest = [&](std::size_t from, const QString& why) {
        for (std::size_t w = from; w < wanted.size(); ++w) Fail(wanted[w].second, why);
    };

    QString error;
    std::unique_ptr<ArchiveReader> reader =
        ArchiveReader::Open(m_index->Path(), ArchiveReader::Purpose::Stream, &error);
    ++m_passes;
    if (!reader)
        return failRest(0, error);
    const QString changed = Tr("the archive has changed since it was read");
    if (!(reader->Identity() == m_index->Identity()))
        return failRest(0, changed);

    std::size_t next = 0;
    std::vector<std::size_t> targets;
    for (int ordinal = 0; next < wanted.size(); ++ordinal) {
        if (pump && !pump(QByteArray(), m_bytesDone)) {
            m_stopped = true;
            return failRest(next, QString());
        }
        archive_entry* entry = nullptr;
        switch (reader->NextHeader(entry)) {
            case ArchiveReader::Next::Entry:
                break;
            case ArchiveReader::Next::End:
                return failRest(next, changed);
            case ArchiveReader::Next::Error:
                return failRest(next, reader->Error());
        }
        if (ordinal < wanted[next].first)
            continue;
        // The header met must be the one indexed under this number.
        targets.clear();
        for (; next < wanted.size() && wanted[next].first == ordinal; ++next)
            targets.push_back(wanted[next].second);
        const char* raw = archive_entry_pathname(entry);
        if (!raw)
            raw = archive_entry_pathname_utf8(entry);
        const int source = m_plan[targets.front()].source;
        if (!raw || ArchivePathParts(QByteArray(raw)).join('/') != m_index->PathOf(source)) {
            for (std::size_t planned : targets) Fail(planned, changed);
            continue;
        }
        WriteEntry(*reader, targets, folder, pump);
        if (m_stopped)
            return failRest(next, QString());
    }
}

void ArchiveExtractor::FinishFolders(const QByteArray& folder) {
    // Deepest first: filling a folder changes its times.
    for (auto it = m_plan.rbegin(); it != m_plan.rend(); ++it) {
        const ArchiveIndex::Node& n = m_index->At(it->node);
        if (n.kind != ArchiveIndex::Kind::Directory || !it->written)
            continue;
        const QByteArray path = Joined(folder, it->relative);
        const struct timespec times[2] = {TimespecOf(n.times[kTimeAccessed]),
                                          TimespecOf(n.times[kTimeModified])};
        const mode_t mode = ModeOf(n, kDefaultFolderMode);
        if (::chmod(path.constData(), mode) != 0 ||
            ::utimensat(AT_FDCWD, path.constData(), times, 0) != 0)
            Fail(std::size_t(&*it - m_plan.data()), ErrnoText(errno));
    }
}

std::vector<QByteArray> ArchiveExtractor::Run(const QByteArray& folder, const Pump& pump) {
    m_bytesDone = 0;
    MakeEntries(folder);
    ReadContents(folder, pump);
    FinishFolders(folder);
    std::vector<bool> whole(m_tops.size(), true);
    for (std::size_t t = 0; t < m_tops.size(); ++t) whole[t] = !m_topFailed[t];
    for (const Planned& item : m_plan) {
        if (!item.written)
            whole[item.top] = false;
    }
    std::vector<QByteArray> done;
    for (std::size_t t = 0; t < m_tops.size(); ++t) {
        if (whole[t])
            done.push_back(Joined(folder, m_tops[t]));
    }
    return done;
}
