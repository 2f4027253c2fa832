#include "platform/fs/FileSystemFolder.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QLocale>
#include <cerrno>

#include "platform/fs/FileSystem.h"
#include "platform/namespace/BasicDataObject.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/NestedFolder.h"
#include "platform/namespace/ShellIdArray.h"

namespace {

bool IsDotName(const QByteArray& name) {
    return name == "." || name == "..";
}

bool IsHiddenName(const QByteArray& name) {
    return name.startsWith('.');
}

class FileSystemEnum : public EnumIdList {
public:
    FileSystemEnum(std::unique_ptr<DirectoryReader> reader, std::uint32_t flags)
        : m_reader(std::move(reader)), m_flags(flags) {}

    Result Next(IdList& item) override {
        FileSystemItemData entry;
        for (;;) {
            switch (m_reader->Next(entry)) {
                case DirectoryReader::Result::End:
                    return Result::End;
                case DirectoryReader::Result::Error:
                    return Result::Error;
                case DirectoryReader::Result::Entry:
                    break;
            }
            if (!FileSystemFolder::ListedBy(m_flags, entry))
                continue;
            item = FileSystemItemId(entry);
            if (item.IsNull())
                continue;  // A name too long for an item: cannot be named.
            return Result::Item;
        }
    }

private:
    std::unique_ptr<DirectoryReader> m_reader;
    std::uint32_t m_flags;
};

int CompareNameBytes(const QByteArray& a, const QByteArray& b) {
    const QString sa = NameFromBytes(a);
    const QString sb = NameFromBytes(b);
    const int folded = sa.compare(sb, Qt::CaseInsensitive);
    if (folded)
        return folded < 0 ? -1 : 1;
    const int exact = a.compare(b);
    return exact < 0 ? -1 : exact > 0 ? 1 : 0;
}

QByteArray ExtensionOf(const QByteArray& name) {
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QByteArray() : name.mid(dot + 1);
}

int CompareItems(int column, const FileSystemItemData& a, const FileSystemItemData& b) {
    const bool fa = S_ISDIR(a.mode);
    const bool fb = S_ISDIR(b.mode);
    if (fa != fb)
        return fa ? -1 : 1;
    int r = 0;
    switch (column) {
        case 1:
            r = Order(a.size, b.size);
            break;
        case 2: {
            const int c = NameFromBytes(ExtensionOf(a.name))
                              .compare(NameFromBytes(ExtensionOf(b.name)), Qt::CaseInsensitive);
            r = c < 0 ? -1 : c > 0 ? 1 : 0;
            break;
        }
        case 3:
            r = Order(a.times[kTimeModified], b.times[kTimeModified]);
            break;
        default:
            break;
    }
    return r ? r : CompareNameBytes(a.name, b.name);
}

QString Capitalised(QString text) {
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

std::shared_ptr<FileSystemExtensions>& Extensions() {
    static std::shared_ptr<FileSystemExtensions> extensions;
    return extensions;
}

bool OpensAsFolder(const QByteArray& name) {
    FileSystemExtensions* extensions = Extensions().get();
    return extensions && extensions->OpensAsFolder(name);
}

std::optional<int> CompareInsideFile(int column, const IdList& a, const IdList& b) {
    FileSystemExtensions* extensions = Extensions().get();
    return extensions ? extensions->CompareInsideFile(column, a, b) : std::nullopt;
}

}  // namespace

std::shared_ptr<FileSystemExtensions> InstallFileSystemExtensions(
    std::shared_ptr<FileSystemExtensions> extensions) {
    auto previous = std::move(Extensions());
    Extensions() = std::move(extensions);
    return previous;
}

FileSystemExtensions* InstalledFileSystemExtensions() {
    return Extensions().get();
}

FileSystemFolder::FileSystemFolder(const QString& path, IdList absolute,
                                   std::uint32_t extraAttributes)
    : m_path(path),
      m_pathBytes(NameToBytes(path)),
      m_absolute(std::move(absolute)),
      m_extra(extraAttributes) {}

bool FileSystemFolder::ListedBy(std::uint32_t flags, const FileSystemItemData& entry) {
    if (IsHiddenName(entry.name) && !(flags & SHCONTF_INCLUDEHIDDEN))
        return false;
    // Listed as the attributes say: a folder (SFGAO_FOLDER) with the
    // folders, a stream with the other items, so an archive, which is both,
    // is listed by either.
    constexpr std::uint32_t kBoth = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
    if ((flags & kBoth) == kBoth)
        return true;
    const std::uint32_t bits = AttributesOf(entry);
    return ((bits & SFGAO_FOLDER) && (flags & SHCONTF_FOLDERS)) ||
           (!S_ISDIR(entry.mode) && (flags & SHCONTF_NONFOLDERS));
}

std::uint32_t FileSystemFolder::AttributesOf(const FileSystemItemData& data) {
    std::uint32_t bits = kCapabilities | SFGAO_FILESYSTEM;
    if (S_ISDIR(data.mode)) {
        bits |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER | SFGAO_DROPTARGET;
    } else {
        bits |= SFGAO_STREAM;
        // An archive opens as a folder whose entries describe themselves.
        if (S_ISREG(data.mode) && OpensAsFolder(data.name))
            bits |= SFGAO_FOLDER | SFGAO_BROWSABLE;
    }
    if (S_ISLNK(data.mode))
        bits |= SFGAO_LINK;
    if (IsHiddenName(data.name))
        bits |= SFGAO_HIDDEN;
    return bits;
}

QList<QByteArray> FileSystemFolder::NamesOf(const IdList& relative) {
    QList<QByteArray> names;
    for (int i = 0, n = relative.Count(); i < n; ++i) {
        auto data = DecodeFileSystemItem(relative.ItemPayload(i));
        if (!data || IsDotName(data->name) || data->name.contains('/'))
            return {};
        names << data->name;
    }
    return names;
}

QByteArray FileSystemFolder::PathOf(const QList<QByteArray>& names) const {
    QByteArray path = m_pathBytes;
    for (const QByteArray& name : names) path = JoinPathBytes(path, name);
    return path;
}

IdList FileSystemFolder::ItemIdOf(const QByteArray& name) const {
    if (name.isEmpty() || IsDotName(name) || name.contains('/'))
        return {};
    auto data = StatEntryAt(AT_FDCWD, JoinPathBytes(m_pathBytes, name));
    if (!data)
        return {};
    data->name = name;
    return FileSystemItemId(*data);
}

std::unique_ptr<ShellFolder> FileSystemFolder::BindToObject(const IdList& relative) {
    if (FileSystemExtensions* extensions = InstalledFileSystemExtensions()) {
        if (auto inside = extensions->BindThroughFile(m_pathBytes, m_absolute, relative))
            return std::move(*inside);
    }
    const QList<QByteArray> names = NamesOf(relative);
    if (names.isEmpty())
        return nullptr;
    const QByteArray path = PathOf(names);
    auto target = StatEntryAt(AT_FDCWD, path, /*follow=*/true);
    if (!target || !S_ISDIR(target->mode))
        return nullptr;
    return std::make_unique<FileSystemFolder>(NameFromBytes(path), m_absolute.Concat(relative),
                                              m_extra);
}

std::unique_ptr<EnumIdList> FileSystemFolder::EnumObjects(std::uint32_t flags) {
    auto reader = std::make_unique<DirectoryReader>(m_pathBytes);
    if (!reader->IsOpen()) {
        errno = reader->Error();
        return nullptr;
    }
    return std::make_unique<FileSystemEnum>(std::move(reader), flags);
}

bool FileSystemFolder::GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) {
    if (items.empty()) {
        auto self = StatEntryAt(AT_FDCWD, m_pathBytes, /*follow=*/true);
        return self && S_ISDIR(self->mode);
    }
    std::uint32_t all = ~std::uint32_t(0);
    for (const IdList& item : items) {
        const QList<QByteArray> names = NamesOf(item);
        if (names.isEmpty())
            return false;
        auto data = DecodeFileSystemItem(item.ItemPayload(item.Count() - 1));
        std::uint32_t bits = AttributesOf(*data) | m_extra;
        if ((inOut & SFGAO_READONLY) && !S_ISLNK(data->mode) &&
            ::faccessat(AT_FDCWD, PathOf(names).constData(), W_OK, AT_EACCESS) != 0 &&
            (errno == EACCES || errno == EROFS)) {
            bits |= SFGAO_READONLY;
        }
        all &= bits;
    }
    inOut &= all;
    return true;
}

std::optional<QString> FileSystemFolder::GetDisplayNameOf(const IdList& item, std::uint32_t flags) {
    if (item.IsNull())
        return std::nullopt;
    QByteArray path;
    QByteArray name;
    if (item.IsEmpty()) {
        path = m_pathBytes;
        const qsizetype slash = path.lastIndexOf('/');
        name = path == "/" || slash < 0 ? path : path.mid(slash + 1);
    } else {
        const QList<QByteArray> names = NamesOf(item);
        if (names.isEmpty())
            return std::nullopt;
        path = PathOf(names);
        name = names.last();
    }
    if (flags & SHGDN_FORPARSING) {
        return NameFromBytes((flags & SHGDN_INFOLDER) ? name : path);
    }
    return DisplayFromName(NameFromBytes(name));
}

IdList FileSystemFolder::ParseDisplayName(const QString& name) {
    const QByteArray bytes = NameToBytes(name);
    if (bytes.isEmpty() || bytes.startsWith('/'))
        return {};
    IdList out = IdList::Empty();
    QByteArray path = m_pathBytes;
    const QList<QByteArray> components = bytes.split('/');
    for (qsizetype i = 0; i < components.size(); ++i) {
        const QByteArray& component = components[i];
        if (component.isEmpty())
            continue;  // "a//b" and a trailing "/".
        if (IsDotName(component))
            return {};
        path = JoinPathBytes(path, component);
        auto data = StatEntryAt(AT_FDCWD, path);
        if (!data)
            return {};
        data->name = component;
        const IdList id = FileSystemItemId(*data);
        if (id.IsNull())
            return {};
        out = out.Concat(id);
        // What follows an archive's name is a path inside the archive.
        const QByteArray inner = components.mid(i + 1).join('/');
        if (S_ISREG(data->mode) && OpensAsFolder(component) && !inner.isEmpty()) {
            const IdList below = InstalledFileSystemExtensions()->ParseInsideFile(path, inner);
            return below.IsNull() ? IdList() : out.Concat(below);
        }
    }
    return out.IsEmpty() ? IdList() : out;
}

int FileSystemFolder::CompareIDs(int column, const IdList& a, const IdList& b) {
    const int n = qMin(a.Count(), b.Count());
    for (int i = 0; i < n; ++i) {
        auto da = DecodeFileSystemItem(a.ItemPayload(i));
        auto db = DecodeFileSystemItem(b.ItemPayload(i));
        int r;
        if (da && db) {
            // Other columns than the name matter for the items themselves only.
            const bool last = i == n - 1 && a.Count() == b.Count();
            r = CompareItems(last ? column : 0, *da, *db);
        } else if (da || db) {
            r = da ? -1 : 1;
        } else if (auto inside = CompareInsideFile(column, a.Suffix(i), b.Suffix(i))) {
            // Below a file that opens as a folder: its entries order themselves.
            return *inside;
        } else {
            const auto pa = a.ItemPayload(i);
            const auto pb = b.ItemPayload(i);
            r = QByteArray::fromRawData(reinterpret_cast<const char*>(pa.data()), pa.size())
                    .compare(QByteArray::fromRawData(reinterpret_cast<const char*>(pb.data()),
                                                     pb.size()));
            r = r < 0 ? -1 : r > 0 ? 1 : 0;
        }
        if (r)
            return r;
    }
    return Order(a.Count(), b.Count());
}

std::optional<FindData> FileSystemFolder::GetFindData(const IdList& item) {
    if (NamesOf(item).isEmpty())
        return std::nullopt;
    auto data = DecodeFileSystemItem(item.ItemPayload(item.Count() - 1));
    return FindDataOf(*data);
}

std::unique_ptr<ShellDataObject> FileSystemFolder::GetDataObject(std::span<const IdList> items) {
    if (items.empty())
        return nullptr;
    QStringList paths;
    for (const IdList& item : items) {
        const QList<QByteArray> names = NamesOf(item);
        if (names.isEmpty())
            return nullptr;
        paths << NameFromBytes(PathOf(names));
    }
    auto object = std::make_unique<BasicDataObject>();
    object->SetData(ClipFormats::kShellIdList, EncodeShellIdArray(m_absolute, items));
    object->SetFilePaths(paths);
    return object;
}

std::optional<QString> FileSystemFolder::GetInfoTip(const IdList& item) {
    const QList<QByteArray> names = NamesOf(item);
    if (names.isEmpty())
        return std::nullopt;
    const auto data = DecodeFileSystemItem(item.ItemPayload(item.Count() - 1));
    static const QMimeDatabase mimes;
    QMimeType mime;
    if (S_ISDIR(data->mode)) {
        mime = mimes.mimeTypeForName(QStringLiteral("inode/directory"));
    } else if (S_ISLNK(data->mode)) {
        mime = mimes.mimeTypeForName(QStringLiteral("inode/symlink"));
    } else {
        mime = IconRegistry::Instance().MimeTypeForName(NameFromBytes(data->name));
    }
    const QLocale locale = QLocale::system();
    QStringList lines;
    lines << QStringLiteral("Kind: %1").arg(Capitalised(mime.comment()));
    if (!S_ISDIR(data->mode)) {
        lines << QStringLiteral("Size: %1").arg(locale.formattedDataSize(qint64(data->size)));
    }
    if (const FileTime modified = data->times[kTimeModified]) {
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(FileTimeToUnixMilliseconds(modified));
        lines << QStringLiteral("Modified: %1")
                     .arg(locale.toString(when.toLocalTime(), QLocale::ShortFormat));
    }
    return lines.join(QLatin1Char('\n'));
}

int FileSystemFolder::GetIconIndex(const IdList& item, bool open) {
    IconRegistry& icons = IconRegistry::Instance();
    if (item.IsEmpty())
        return icons.FolderIndex(open);
    const QList<QByteArray> names = NamesOf(item);
    if (names.isEmpty())
        return -1;
    const auto data = DecodeFileSystemItem(item.ItemPayload(item.Count() - 1));
    std::uint32_t mode = data->mode;
    if (S_ISLNK(mode)) {
        // A link looks like what it points at; the overlay tells it is a link.
        const auto target = StatEntryAt(AT_FDCWD, PathOf(names), /*follow=*/true);
        mode = target ? target->mode : S_IFREG;
    }
    return icons.IndexForFile(NameFromBytes(data->name), mode, open);
}

IdList FileSystemFolder::SetNameOf(const IdList& item, const QString& newName,
                                   std::uint32_t flags) {
    (void)flags;
    const QList<QByteArray> names = NamesOf(item);
    const QByteArray newBytes = NameToBytes(newName);
    if (names.size() != 1 || newBytes.isEmpty() || newBytes.contains('/') || IsDotName(newBytes)) {
        errno = EINVAL;
        return {};
    }
    const QByteArray from = JoinPathBytes(m_pathBytes, names.first());
    const QByteArray to = JoinPathBytes(m_pathBytes, newBytes);
    if (from == to)
        return item;
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) != 0) {
        const int error = errno;
        struct stat a;
        struct stat b;
        const bool sameEntry = error == EEXIST && ::lstat(from.constData(), &a) == 0 &&
                               ::lstat(to.constData(), &b) == 0 && a.st_dev == b.st_dev &&
                               a.st_ino == b.st_ino;
        if (sameEntry) {
            // A case-only change on a file system that ignores case: the
            // "existing" target is the entry itself.
            if (::rename(from.constData(), to.constData()) != 0)
                return {};
        } else if (error == EINVAL || error == ENOSYS) {
            // The file system cannot refuse to replace by itself: look first.
            if (::lstat(to.constData(), &b) == 0) {
                errno = EEXIST;
                return {};
            }
            if (::rename(from.constData(), to.constData()) != 0)
                return {};
        } else {
            errno = error;
            return {};
        }
    }
    const IdList renamed = ItemIdOf(newBytes);
    if (!renamed.IsNull())
        return renamed;
    // Renamed, but gone again at once: describe it by what we knew.
    auto data = DecodeFileSystemItem(item.ItemPayload(0));
    data->name = newBytes;
    return FileSystemItemId(*data);
}

std::unique_ptr<ShellContextMenu> FileSystemFolder::GetContextMenu(std::span<const IdList> items) {
    QList<QByteArray> paths;
    for (const IdList& item : items) {
        const QList<QByteArray> names = NamesOf(item);
        if (names.isEmpty())
            return nullptr;
        paths << PathOf(names);
    }
    FileSystemExtensions* extensions = InstalledFileSystemExtensions();
    return extensions ? extensions->ItemMenu(paths) : nullptr;
}

std::unique_ptr<ShellContextMenu> FileSystemFolder::GetBackgroundMenu() {
    FileSystemExtensions* extensions = InstalledFileSystemExtensions();
    return extensions ? extensions->BackgroundMenu(m_pathBytes) : nullptr;
}
