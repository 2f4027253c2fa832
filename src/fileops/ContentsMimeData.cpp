#include "fileops/ContentsMimeData.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QIODevice>
#include <cerrno>
#include <optional>
#include <vector>

#include "fileops/TransferFormats.h"
#include "platform/fs/UniqueFd.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellFolder.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "shell/Notice.h"
#include "shell/PathHelpers.h"

namespace {

// Contents are copied in blocks of this size.
constexpr qint64 kCopyBlock = 1 << 20;

// What this run wrote, deepest last: deleted in reverse order.
struct Written {
    std::vector<QByteArray> files;
    std::vector<QByteArray> folders;

    ~Written() { Clear(); }
    void Clear() {
        for (auto it = files.rbegin(); it != files.rend(); ++it) ::unlink(it->constData());
        for (auto it = folders.rbegin(); it != folders.rend(); ++it) ::rmdir(it->constData());
        files.clear();
        folders.clear();
    }
};

Written& TheWritten() {
    static Written written;
    return written;
}

// Deletes the copies when the program quits, connected once.
void WatchForQuit() {
    static bool connected = false;
    if (connected || !QCoreApplication::instance())
        return;
    connected = true;
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                     [] { DeleteContentsCopies(); });
}

const QStringList& ListFormats() {
    static const QStringList formats = {ClipFormats::kUriList, ClipFormats::kGnomeCopiedFiles,
                                        ClipFormats::kText};
    return formats;
}

QByteArray Joined(const QByteArray& folder, const QByteArray& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// The last component of an entry's name; empty when it can't name a file.
QByteArray FileNameOf(const QString& entryName) {
    QString name = entryName;
    while (name.endsWith(QLatin1Char('/'))) name.chop(1);
    const QByteArray bytes = NameToBytes(name.mid(name.lastIndexOf(QLatin1Char('/')) + 1));
    if (bytes.isEmpty() || bytes == "." || bytes == ".." || bytes.contains('\0'))
        return {};
    return bytes;
}

enum class WriteResult { Written, TooLarge, Failed };

// Writes at most `limit` bytes of `in` to a new file at `path` (created
// exclusively, never through a link). On an error, when the stream holds
// more than `limit` bytes, or when it ends at another size than `expected`,
// the file is removed again.
WriteResult WriteCapped(QIODevice& in, const QByteArray& path, std::uint64_t limit,
                        std::optional<std::uint64_t> expected) {
    UniqueFd fd(
        ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd)
        return WriteResult::Failed;
    bool ok = true;
    bool tooLarge = false;
    std::uint64_t written = 0;
    for (;;) {
        const QByteArray buffer = in.read(kCopyBlock);
        if (buffer.isEmpty()) {
            // read() gives an empty array both at the end and on an error.
            ok = in.atEnd();
            break;
        }
        written += std::uint64_t(buffer.size());
        if (written > limit) {
            ok = false;
            tooLarge = true;
            break;
        }
        if (!WriteAll(fd.get(), buffer)) {
            ok = false;
            break;
        }
    }
    // A stream that ends short of its descriptor's size is no whole copy.
    if (ok && expected && written != *expected)
        ok = false;
    if (fd.Close() != 0)
        ok = false;
    if (ok)
        return WriteResult::Written;
    ::unlink(path.constData());
    return tooLarge ? WriteResult::TooLarge : WriteResult::Failed;
}

// The modified time of the entry, when the descriptor has one.
void SetTimes(const QByteArray& path, const FileDescriptor& d) {
    if (!(d.flags & FD_WRITESTIME) || d.times[kTimeModified] == 0)
        return;
    const std::int64_t ms = FileTimeToUnixMilliseconds(d.times[kTimeModified]);
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = ms / 1000;
    times[1].tv_nsec = (ms % 1000) * 1000000;
    ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW);
}

}  // namespace

bool HasContentsOnly(const ShellDataObject& data) {
    if (!FilePathsOf(data).isEmpty() || !data.HasFormat(ClipFormats::kFileContents))
        return false;
    const std::optional<std::vector<FileDescriptor>> group = data.GetFileGroupDescriptor();
    return group && !group->empty();
}

void DeleteContentsCopies() {
    TheWritten().Clear();
}

ContentsMimeData::ContentsMimeData(std::shared_ptr<const ShellDataObject> data)
    : m_data(std::move(data)) {}

QStringList ContentsMimeData::formats() const {
    QStringList all = QMimeData::formats();
    for (const QString& format : ListFormats()) {
        if (!all.contains(format))
            all << format;
    }
    return all;
}

bool ContentsMimeData::hasFormat(const QString& mimeType) const {
    return ListFormats().contains(mimeType) || QMimeData::hasFormat(mimeType);
}

QVariant ContentsMimeData::retrieveData(const QString& mimeType, QMetaType type) const {
    if (!ListFormats().contains(mimeType))
        return QMimeData::retrieveData(mimeType, type);
    MakeCopies();
    if (m_copies.isEmpty())
        return QVariant();
    if (mimeType == ClipFormats::kUriList)
        return EncodeUriList(m_copies);
    if (mimeType == ClipFormats::kGnomeCopiedFiles)
        return EncodeCopiedFiles(false, m_copies);
    return m_copies.join(QLatin1Char('\n')).toUtf8();
}

void ContentsMimeData::MakeCopies() const {
    if (m_made)
        return;
    m_made = true;
    const std::optional<std::vector<FileDescriptor>> group =
        m_data ? m_data->GetFileGroupDescriptor() : std::nullopt;
    if (!group || group->empty())
        return;
    const std::uint64_t limit = std::uint64_t(std::max(0, General().maxExtractSize));

    QByteArray folder = Joined(NameToBytes(TempFolder()), "CvDrag_XXXXXX");
    if (!::mkdtemp(folder.data()))
        return;
    WatchForQuit();
    Written& written = TheWritten();
    written.folders.push_back(folder);

    bool refused = false;
    int subfolders = 0;
    for (int i = 0; i < int(group->size()); ++i) {
        const FileDescriptor& d = (*group)[std::size_t(i)];
        const QByteArray name = FileNameOf(d.name);
        if (d.directory || name.isEmpty())
            continue;
        if ((d.flags & FD_FILESIZE) && d.size > limit) {
            refused = true;
            continue;
        }
        std::unique_ptr<QIODevice> in = m_data->GetFileContents(i);
        // Archive streams come closed: opening reaches the entry.
        if (!in || (!in->isOpen() && !in->open(QIODevice::ReadOnly)))
            continue;
        QByteArray path = Joined(folder, name);
        struct stat st;
        if (::lstat(path.constData(), &st) == 0) {
            // A second entry of the same name gets a folder of its own.
            const QByteArray sub = Joined(folder, QByteArray::number(++subfolders));
            if (::mkdir(sub.constData(), 0700) != 0)
                continue;
            written.folders.push_back(sub);
            path = Joined(sub, name);
        }
        const WriteResult result = WriteCapped(
            *in, path, limit, (d.flags & FD_FILESIZE) ? std::optional(d.size) : std::nullopt);
        if (result != WriteResult::Written) {
            // Without a size in the descriptor the limit shows only now.
            refused = refused || result == WriteResult::TooLarge;
            continue;
        }
        SetTimes(path, d);
        written.files.push_back(path);
        m_copies << NameFromBytes(path);
    }
    if (refused)
        Notice(kTooLargeToViewText, true);
}
