#include "platform/archive/ArchiveFolder.h"

#include <sys/stat.h>

#include <QDateTime>
#include <QLocale>
#include <QMimeDatabase>

#include "platform/archive/ArchiveExtractor.h"
#include "platform/archive/ArchiveStream.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/TempCopyFile.h"
#include "platform/namespace/BasicDataObject.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/ItemData.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/NestedFolder.h"
#include "platform/namespace/ShellIdArray.h"
#include "platform/shellui/ContextMenu.h"
#include "platform/shellui/ShellLaunch.h"

namespace {

constexpr qsizetype kArchiveFixed = 1 + 1 + 8 + 3 * 8;

void PutU64(QByteArray& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.append(char((v >> (8 * i)) & 0xFF));
}

std::uint64_t GetU64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

int CompareNames(const QByteArray& a, const QByteArray& b) {
    const int folded = NameFromBytes(a).compare(NameFromBytes(b), Qt::CaseInsensitive);
    if (folded)
        return folded < 0 ? -1 : 1;
    return Order(a.compare(b), 0);
}

QByteArray ExtensionOf(const QByteArray& name) {
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QByteArray() : name.mid(dot + 1);
}

int CompareEntries(int column, const ArchiveItemData& a, const ArchiveItemData& b) {
    const bool fa = a.kind == ArchiveIndex::Kind::Directory;
    const bool fb = b.kind == ArchiveIndex::Kind::Directory;
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
            r = Order(c, 0);
            break;
        }
        case 3:
            r = Order(a.times[kTimeModified], b.times[kTimeModified]);
            break;
        default:
            break;
    }
    return r ? r : CompareNames(a.name, b.name);
}

ArchiveItemData DataOf(const ArchiveIndex& index, int node) {
    const ArchiveIndex::Node& n = index.At(node);
    ArchiveItemData data;
    data.kind = n.kind;
    data.size = n.size;
    data.times = n.times;
    data.name = index.NameOf(node);
    return data;
}

QString Capitalised(QString text) {
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

class ArchiveEnum : public EnumIdList {
public:
    ArchiveEnum(std::shared_ptr<const ArchiveIndex> index, int folder, std::uint32_t flags)
        : m_index(std::move(index)), m_next(m_index->At(folder).firstChild), m_flags(flags) {}

    Result Next(IdList& item) override {
        for (; m_next >= 0;) {
            const int node = m_next;
            m_next = m_index->At(node).nextSibling;
            const bool folder = m_index->IsDirectory(node);
            if (folder && !(m_flags & SHCONTF_FOLDERS))
                continue;
            if (!folder && !(m_flags & SHCONTF_NONFOLDERS))
                continue;
            const QByteArray name = m_index->NameOf(node);
            if (name.startsWith('.') && !(m_flags & SHCONTF_INCLUDEHIDDEN))
                continue;
            ArchiveItemData data = DataOf(*m_index, node);
            item = ArchiveItemId(data);
            if (item.IsNull())
                continue;  // a name too long for an item
            return Result::Item;
        }
        // An incomplete index lists what it has, then says so once.
        if (!m_index->Complete() && !m_reported) {
            m_reported = true;
            return Result::Error;
        }
        return Result::End;
    }

private:
    std::shared_ptr<const ArchiveIndex> m_index;
    int m_next;
    std::uint32_t m_flags;
    bool m_reported = false;
};

}  // namespace

QByteArray EncodeArchiveItem(const ArchiveItemData& data) {
    QByteArray out;
    out.reserve(kArchiveFixed + data.name.size());
    out.append(char(ItemKind::ArchiveEntry));
    out.append(char(data.kind));
    PutU64(out, data.size);
    for (FileTime t : data.times) PutU64(out, t);
    out.append(data.name);
    return out;
}

IdList ArchiveItemId(const ArchiveItemData& data) {
    return IdList::FromPayload(EncodeArchiveItem(data));
}

std::optional<ArchiveItemData> DecodeArchiveItem(std::span<const std::uint8_t> payload) {
    if (qsizetype(payload.size()) <= kArchiveFixed ||
        payload[0] != std::uint8_t(ItemKind::ArchiveEntry) ||
        payload[1] > std::uint8_t(ArchiveIndex::Kind::Special)) {
        return std::nullopt;
    }
    ArchiveItemData data;
    data.kind = ArchiveIndex::Kind(payload[1]);
    data.size = GetU64(payload.data() + 2);
    for (int i = 0; i < 3; ++i) data.times[std::size_t(i)] = GetU64(payload.data() + 10 + 8 * i);
    data.name = QByteArray(reinterpret_cast<const char*>(payload.data()) + kArchiveFixed,
                           qsizetype(payload.size()) - kArchiveFixed);
    if (data.name.contains('/'))
        return std::nullopt;
    return data;
}

int CompareArchiveIds(int column, const IdList& a, const IdList& b) {
    const int n = std::min(a.Count(), b.Count());
    for (int i = 0; i < n; ++i) {
        const auto da = DecodeArchiveItem(a.ItemPayload(i));
        const auto db = DecodeArchiveItem(b.ItemPayload(i));
        int r;
        if (da && db) {
            const bool last = i == n - 1 && a.Count() == b.Count();
            r = CompareEntries(last ? column : 0, *da, *db);
        } else if (da || db) {
            r = da ? -1 : 1;
        } else {
            const auto pa = a.ItemPayload(i);
            const auto pb = b.ItemPayload(i);
            r = Order(QByteArray::fromRawData(reinterpret_cast<const char*>(pa.data()), pa.size())
                          .compare(QByteArray::fromRawData(reinterpret_cast<const char*>(pb.data()),
                                                           pb.size())),
                      0);
        }
        if (r)
            return r;
    }
    return Order(a.Count(), b.Count());
}

std::unique_ptr<ArchiveFolder> ArchiveFolder::Open(const QByteArray& path, IdList absolute) {
    auto index = AcquireArchiveIndex(path, nullptr);
    if (!index)
        return nullptr;
    return std::make_unique<ArchiveFolder>(std::move(index), ArchiveIndex::kRoot,
                                           std::move(absolute));
}

ArchiveFolder::ArchiveFolder(std::shared_ptr<const ArchiveIndex> index, int node, IdList absolute)
    : m_index(std::move(index)), m_node(node), m_absolute(std::move(absolute)) {}

int ArchiveFolder::Resolve(const IdList& relative) const {
    if (relative.IsNull())
        return -1;
    int node = m_node;
    for (int i = 0, n = relative.Count(); i < n; ++i) {
        const auto data = DecodeArchiveItem(relative.ItemPayload(i));
        if (!data)
            return -1;
        node = m_index->Child(node, data->name);
        if (node < 0)
            return -1;
        if (i + 1 < n && !m_index->IsDirectory(node))
            return -1;
    }
    return node;
}

IdList ArchiveFolder::IdOf(int node) const {
    return ArchiveItemId(DataOf(*m_index, node));
}

QString ArchiveFolder::ParsingPath() const {
    const QByteArray inner = m_index->PathOf(m_node);
    return NameFromBytes(inner.isEmpty() ? m_index->Path() : m_index->Path() + '/' + inner);
}

std::unique_ptr<ShellFolder> ArchiveFolder::BindToObject(const IdList& relative) {
    if (relative.IsNull() || relative.IsEmpty())
        return nullptr;
    const int node = Resolve(relative);
    if (node < 0 || !m_index->IsDirectory(node))
        return nullptr;
    return std::make_unique<ArchiveFolder>(m_index, node, m_absolute.Concat(relative));
}

std::unique_ptr<EnumIdList> ArchiveFolder::EnumObjects(std::uint32_t flags) {
    return std::make_unique<ArchiveEnum>(m_index, m_node, flags);
}

bool ArchiveFolder::GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) {
    if (items.empty()) {
        // Validation: the archive read again when it changed since.
        auto current = AcquireArchiveIndex(m_index->Path(), nullptr);
        if (!current)
            return false;
        if (current != m_index) {
            const QByteArray inner = m_index->PathOf(m_node);
            int node = ArchiveIndex::kRoot;
            for (const QByteArray& part : ArchivePathParts(inner)) {
                node = current->Child(node, part);
                if (node < 0 || !current->IsDirectory(node))
                    return false;
            }
            m_index = std::move(current);
            m_node = node;
        }
        return true;
    }
    std::uint32_t all = ~std::uint32_t(0);
    for (const IdList& item : items) {
        const int node = Resolve(item);
        if (node < 0)
            return false;
        const ArchiveIndex::Node& n = m_index->At(node);
        std::uint32_t bits = SFGAO_READONLY;
        switch (n.kind) {
            case ArchiveIndex::Kind::Directory:
                bits = kFolderAttributes;
                if (n.hasSubfolders)
                    bits |= SFGAO_HASSUBFOLDER;
                break;
            case ArchiveIndex::Kind::File:
                bits = kFileAttributes;
                break;
            case ArchiveIndex::Kind::Link:
                bits |= SFGAO_LINK;
                break;
            case ArchiveIndex::Kind::Special:
                break;
        }
        if (m_index->NameOf(node).startsWith('.'))
            bits |= SFGAO_HIDDEN;
        all &= bits;
    }
    inOut &= all;
    return true;
}

std::optional<QString> ArchiveFolder::GetDisplayNameOf(const IdList& item, std::uint32_t flags) {
    if (item.IsNull())
        return std::nullopt;
    QByteArray name;
    QByteArray inner;
    if (item.IsEmpty()) {
        if ((flags & SHGDN_FORPARSING) && !(flags & SHGDN_INFOLDER))
            return ParsingPath();
        name = m_node == ArchiveIndex::kRoot
                   ? m_index->Path().mid(m_index->Path().lastIndexOf('/') + 1)
                   : m_index->NameOf(m_node);
    } else {
        QList<QByteArray> names;
        for (int i = 0, n = item.Count(); i < n; ++i) {
            const auto data = DecodeArchiveItem(item.ItemPayload(i));
            if (!data)
                return std::nullopt;
            names << data->name;
        }
        name = names.last();
        inner = names.join('/');
    }
    if (flags & SHGDN_FORPARSING) {
        if (flags & SHGDN_INFOLDER)
            return NameFromBytes(name);
        return ParsingPath() + QLatin1Char('/') + NameFromBytes(inner);
    }
    if (flags & SHGDN_INFOLDER)
        return NameFromBytes(name);
    return DisplayFromName(NameFromBytes(name));
}

IdList ArchiveFolder::ParseDisplayName(const QString& name) {
    const QByteArray bytes = NameToBytes(name);
    if (bytes.isEmpty() || bytes.startsWith('/'))
        return {};
    IdList out = IdList::Empty();
    int node = m_node;
    for (const QByteArray& part : bytes.split('/')) {
        if (part.isEmpty())
            continue;
        if (part == "." || part == "..")
            return {};
        if (!m_index->IsDirectory(node))
            return {};
        node = m_index->Child(node, part);
        if (node < 0)
            return {};
        const IdList id = IdOf(node);
        if (id.IsNull())
            return {};
        out = out.Concat(id);
    }
    return out.IsEmpty() ? IdList() : out;
}

int ArchiveFolder::CompareIDs(int column, const IdList& a, const IdList& b) {
    return CompareArchiveIds(column, a, b);
}

FileDescriptor ArchiveFolder::DescriptorOf(int node) const {
    const ArchiveIndex::Node& n = m_index->At(node);
    FileDescriptor d;
    d.name = NameFromBytes(m_index->NameOf(node));
    d.directory = n.kind == ArchiveIndex::Kind::Directory;
    d.flags = FD_ATTRIBUTES;
    if (!d.directory) {
        d.flags |= FD_FILESIZE;
        d.size = n.size;
    }
    d.times = n.times;
    if (n.times[kTimeModified])
        d.flags |= FD_WRITESTIME;
    if (n.times[kTimeCreated])
        d.flags |= FD_CREATETIME;
    if (n.times[kTimeAccessed])
        d.flags |= FD_ACCESSTIME;
    return d;
}

std::unique_ptr<ShellDataObject> ArchiveFolder::GetDataObject(std::span<const IdList> items) {
    if (items.empty())
        return nullptr;
    std::vector<FileDescriptor> descriptors;
    std::vector<int> nodes;
    for (const IdList& item : items) {
        const int node = Resolve(item);
        if (node < 0)
            return nullptr;
        descriptors.push_back(DescriptorOf(node));
        nodes.push_back(node);
    }
    auto object = std::make_unique<BasicDataObject>();
    object->SetData(ClipFormats::kShellIdList, EncodeShellIdArray(m_absolute, items));
    object->SetFileGroup(std::move(descriptors),
                         [index = m_index, nodes](int i) -> std::unique_ptr<QIODevice> {
                             if (i < 0 || std::size_t(i) >= nodes.size())
                                 return nullptr;
                             const int node = nodes[std::size_t(i)];
                             if (index->At(node).kind != ArchiveIndex::Kind::File)
                                 return nullptr;
                             return std::make_unique<ArchiveStream>(index, node);
                         });
    return object;
}

std::optional<QString> ArchiveFolder::GetInfoTip(const IdList& item) {
    const int node = Resolve(item);
    if (node < 0 || node == m_node)
        return std::nullopt;
    const ArchiveIndex::Node& n = m_index->At(node);
    static const QMimeDatabase mimes;
    QMimeType mime;
    switch (n.kind) {
        case ArchiveIndex::Kind::Directory:
            mime = mimes.mimeTypeForName(QStringLiteral("inode/directory"));
            break;
        case ArchiveIndex::Kind::Link:
            mime = mimes.mimeTypeForName(QStringLiteral("inode/symlink"));
            break;
        default:
            mime = IconRegistry::Instance().MimeTypeForName(NameFromBytes(m_index->NameOf(node)));
            break;
    }
    const QLocale locale = QLocale::system();
    QStringList lines;
    lines << QStringLiteral("Kind: %1").arg(Capitalised(mime.comment()));
    if (n.kind == ArchiveIndex::Kind::File)
        lines << QStringLiteral("Size: %1").arg(locale.formattedDataSize(qint64(n.size)));
    if (const FileTime modified = n.times[kTimeModified]) {
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(FileTimeToUnixMilliseconds(modified));
        lines << QStringLiteral("Modified: %1")
                     .arg(locale.toString(when.toLocalTime(), QLocale::ShortFormat));
    }
    if (n.kind == ArchiveIndex::Kind::Link) {
        lines << QStringLiteral("Link to: %1")
                     .arg(DisplayFromName(NameFromBytes(m_index->LinkTargetOf(node))));
    }
    return lines.join(QLatin1Char('\n'));
}

int ArchiveFolder::GetIconIndex(const IdList& item, bool open) {
    IconRegistry& icons = IconRegistry::Instance();
    if (item.IsEmpty())
        return icons.FolderIndex(open);
    const auto data = item.Count() > 0 ? DecodeArchiveItem(item.LastPayload()) : std::nullopt;
    if (!data)
        return -1;
    if (data->kind == ArchiveIndex::Kind::Directory)
        return icons.FolderIndex(open);
    return icons.IndexForName(NameFromBytes(data->name));
}

std::optional<FindData> ArchiveFolder::GetFindData(const IdList& item) {
    // The id carries what the index said of the entry: no look-up needed.
    const auto data = item.Count() > 0 ? DecodeArchiveItem(item.LastPayload()) : std::nullopt;
    if (!data)
        return std::nullopt;
    FindData fd;
    fd.name = NameFromBytes(data->name);
    switch (data->kind) {
        case ArchiveIndex::Kind::Directory:
            fd.mode = S_IFDIR | 0755;
            break;
        case ArchiveIndex::Kind::File:
            fd.mode = S_IFREG | 0644;
            fd.size = data->size;
            break;
        case ArchiveIndex::Kind::Link:
            fd.mode = S_IFLNK | 0777;
            break;
        case ArchiveIndex::Kind::Special:
            break;
    }
    fd.times = data->times;
    return fd;
}

std::unique_ptr<ShellContextMenu> ArchiveFolder::GetContextMenu(std::span<const IdList> items) {
    if (items.empty())
        return nullptr;
    std::vector<FileDescriptor> descriptors;
    std::vector<int> nodes;
    bool anyFolder = false;
    for (const IdList& item : items) {
        const int node = Resolve(item);
        if (node < 0 || node == m_node)
            return nullptr;
        descriptors.push_back(DescriptorOf(node));
        const ArchiveIndex::Kind kind = m_index->At(node).kind;
        anyFolder = anyFolder || kind == ArchiveIndex::Kind::Directory;
        nodes.push_back(node);
    }
    // The folder that holds the first item, as the properties show it.
    const int holder = m_index->At(nodes.front()).parent;
    const QByteArray inner = holder >= 0 ? m_index->PathOf(holder) : QByteArray();
    const QString location = DisplayFromName(
        NameFromBytes(inner.isEmpty() ? m_index->Path() : m_index->Path() + '/' + inner));
    // Folders are entered by the program, in the pane: "open" only names it.
    std::function<bool(const InvokeContext&)> open;
    if (!anyFolder) {
        open = [index = m_index, nodes](const InvokeContext& context) {
            for (const int node : nodes) {
                QString why;
                if (!OpenArchiveEntry(index, node, &why)) {
                    if (context.errorText)
                        *context.errorText = why;
                    return false;
                }
            }
            return true;
        };
    }
    return MakeDescribedItemsContextMenu(std::move(descriptors), location, std::move(open));
}

bool OpenArchiveEntry(const std::shared_ptr<const ArchiveIndex>& index, int node, QString* whyNot) {
    const auto fail = [&](const QString& why) {
        if (whyNot)
            *whyNot = why;
        return false;
    };
    if (!index || node < 0 || node >= index->Count())
        return fail(QString());
    const ArchiveIndex::Node& n = index->At(node);
    const QString shown = DisplayFromName(NameFromBytes(index->NameOf(node)));
    if (n.kind != ArchiveIndex::Kind::File)
        return fail(QStringLiteral("\"%1\" has no contents that can be opened").arg(shown));
    if (n.size > MaxExtractSize())
        return fail(OverExtractLimitText(n.size, MaxExtractSize()));
    ArchiveStream stream(index, node);
    QString why;
    const QString copy = WriteTempCopy(stream, NameFromBytes(index->NameOf(node)), n.size, &why);
    if (copy.isEmpty())
        return fail(QStringLiteral("\"%1\" could not be extracted: %2").arg(shown, why));
    // The application reads the copy after we return; it goes at exit.
    KeepTempCopyUntilExit(copy);
    // Never run what an archive holds: its entries open with the default
    // application of their type, even programs and desktop entries.
    if (!ShellOpenWithDefault(NameToBytes(copy)))
        return fail(QStringLiteral("\"%1\" could not be opened").arg(shown));
    return true;
}

std::optional<std::unique_ptr<ShellFolder>> BindThroughArchive(const QByteArray& folderPath,
                                                               const IdList& folderAbsolute,
                                                               const IdList& relative) {
    QByteArray path = folderPath;
    for (int i = 0, n = relative.Count(); i < n; ++i) {
        const auto data = DecodeFileSystemItem(relative.ItemPayload(i));
        if (!data || data->name.contains('/') || data->name == "." || data->name == "..")
            return std::nullopt;
        path = JoinPathBytes(path, data->name);
        if (!S_ISREG(data->mode) || !IsArchiveName(data->name))
            continue;
        std::unique_ptr<ShellFolder> archive =
            ArchiveFolder::Open(path, folderAbsolute.Concat(relative.Prefix(i + 1)));
        if (archive && i + 1 < n)
            return archive->BindToObject(relative.Suffix(i + 1));
        return std::unique_ptr<ShellFolder>(std::move(archive));
    }
    return std::nullopt;
}

IdList ParseInsideArchive(const QByteArray& archivePath, const QByteArray& inner) {
    auto folder = ArchiveFolder::Open(archivePath, IdList::Empty());
    if (!folder)
        return {};
    return folder->ParseDisplayName(NameFromBytes(inner));
}
