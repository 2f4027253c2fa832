#include "platform/places/GioFolder.h"

#include <sys/stat.h>

#include <QCoreApplication>

#include "platform/fs/FileSystemFolder.h"
#include "platform/namespace/BasicDataObject.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/ItemData.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/NestedFolder.h"
#include "platform/namespace/ShellIdArray.h"
#include "platform/remote/GioEntrySource.h"
#include "platform/remote/GioOperation.h"
#include "platform/shellui/ContextMenu.h"
#include "platform/shellui/VerbContextMenu.h"
#include "platform/ui/KeyState.h"

namespace {

bool IsDotName(const QByteArray& name) {
    return name == "." || name == "..";
}

// An enumeration of the folder through GIO, for the threads that list
// folders through the namespace (find, the tree).
class GioEnum : public EnumIdList {
public:
    GioEnum(std::unique_ptr<EntrySource> source, std::uint32_t flags)
        : m_source(std::move(source)), m_flags(flags) {}

    Result Next(IdList& item) override {
        for (;;) {
            if (m_next == m_entries.size()) {
                m_entries.clear();
                m_next = 0;
                if (!m_source->Next(m_entries, kBatch))
                    return m_source->Error() ? Result::Error : Result::End;
            }
            const FileSystemItemData& data = m_entries[m_next++];
            if (!FileSystemFolder::ListedBy(m_flags, data))
                continue;
            item = FileSystemItemId(data);
            if (!item.IsNull())
                return Result::Item;
        }
    }

private:
    static constexpr int kBatch = 500;
    std::unique_ptr<EntrySource> m_source;
    std::uint32_t m_flags;
    std::vector<FileSystemItemData> m_entries;
    std::size_t m_next = 0;
};

QStringList UrisOfData(const ShellDataObject& data) {
    QStringList uris;
    if (!data.HasFormat(ClipFormats::kUriList))
        return uris;
    for (const QByteArray& line : data.GetData(ClipFormats::kUriList).split('\n')) {
        const QByteArray uri = line.trimmed();
        if (!uri.isEmpty() && !uri.startsWith('#'))
            uris << QString::fromUtf8(uri);
    }
    return uris;
}

// Copy or move of the dropped items into a folder GIO serves: local files
// come as their "file://" URIs, items of other remote folders as theirs.
class GioDropTarget : public ShellDropTarget {
public:
    explicit GioDropTarget(QString uri) : m_uri(std::move(uri)) {}

    bool DragEnter(const ShellDataObject& data, std::uint32_t, QPoint,
                   std::uint32_t& effect) override {
        m_uris = UrisOfData(data);
        effect = m_uris.isEmpty() ? DROPEFFECT_NONE : effect & (DROPEFFECT_COPY | DROPEFFECT_MOVE);
        return true;
    }
    bool DragOver(std::uint32_t, QPoint, std::uint32_t& effect) override {
        effect = m_uris.isEmpty() ? DROPEFFECT_NONE : effect & (DROPEFFECT_COPY | DROPEFFECT_MOVE);
        return true;
    }
    void DragLeave() override { m_uris.clear(); }
    bool Drop(const ShellDataObject& data, std::uint32_t keyState, QPoint,
              std::uint32_t& effect) override {
        const QStringList uris = UrisOfData(data);
        if (uris.isEmpty()) {
            effect = DROPEFFECT_NONE;
            return false;
        }
        const bool move =
            (effect & DROPEFFECT_MOVE) && (!(effect & DROPEFFECT_COPY) || (keyState & MK_SHIFT));
        GioRequest request;
        request.kind = move ? GioRequest::Kind::Move : GioRequest::Kind::Copy;
        request.sources = uris;
        request.target = m_uri;
        const GioResult result = RunGioOperation(request, nullptr);
        effect = result.done > 0 ? (move ? DROPEFFECT_MOVE : DROPEFFECT_COPY) : DROPEFFECT_NONE;
        return result.done > 0;
    }

private:
    QString m_uri;
    QStringList m_uris;
};

}  // namespace

GioFolder::GioFolder(QString uri, IdList absolute)
    : m_uri(std::move(uri)),
      m_absolute(std::move(absolute)),
      m_items(std::make_unique<FileSystemFolder>(QString(), IdList::Empty())) {
    // "sftp://host/a/" and "sftp://host/a" are one folder; only a root keeps
    // its slash ("sftp://host/", "file:///").
    const qsizetype scheme = m_uri.indexOf(QLatin1String("://"));
    const qsizetype path = scheme < 0 ? -1 : m_uri.indexOf(QLatin1Char('/'), scheme + 3);
    while (path >= 0 && m_uri.size() > path + 1 && m_uri.endsWith(QLatin1Char('/'))) m_uri.chop(1);
}

GioFolder::~GioFolder() = default;

QString GioFolder::ChildUri(const QByteArray& name) const {
    return GioChildUri(m_uri, name);
}

std::uint32_t GioFolder::AttributesOf(const FileSystemItemData& data) {
    std::uint32_t bits = kCapabilities;
    if (S_ISDIR(data.mode))
        bits |= SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_DROPTARGET;
    else
        bits |= SFGAO_STREAM;
    if (S_ISLNK(data.mode))
        bits |= SFGAO_LINK;
    if (data.name.startsWith('.'))
        bits |= SFGAO_HIDDEN;
    return bits;
}

IdList GioFolder::FolderId(const QByteArray& name) {
    FileSystemItemData data;
    data.name = name;
    data.mode = S_IFDIR | 0755;
    return FileSystemItemId(data);
}

std::optional<FileSystemItemData> GioFolder::DataOf(const IdList& item) const {
    if (item.Count() != 1)
        return std::nullopt;
    return DecodeFileSystemItem(item.ItemPayload(0));
}

std::unique_ptr<EntrySource> GioFolder::OpenEntries(int* error) const {
    return OpenGioEntrySource(m_uri, error);
}

std::unique_ptr<ShellFolder> GioFolder::CloneSourceFolder() const {
    return std::make_unique<GioFolder>(m_uri, m_absolute);
}

std::unique_ptr<ShellFolder> GioFolder::BindToObject(const IdList& relative) {
    if (relative.Count() == 0)
        return nullptr;
    QString uri = m_uri;
    for (int i = 0; i < relative.Count(); ++i) {
        const std::optional<FileSystemItemData> data =
            DecodeFileSystemItem(relative.ItemPayload(i));
        if (!data || !S_ISDIR(data->mode))
            return nullptr;
        uri = GioChildUri(uri, data->name);
    }
    return std::make_unique<GioFolder>(uri, m_absolute.Concat(relative));
}

std::unique_ptr<EnumIdList> GioFolder::EnumObjects(std::uint32_t flags) {
    std::unique_ptr<EntrySource> source = OpenEntries(nullptr);
    if (!source)
        return nullptr;
    return std::make_unique<GioEnum>(std::move(source), flags);
}

bool GioFolder::GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) {
    if (items.empty())
        return true;  // nothing cached: the next listing is the truth
    std::uint32_t common = ~0u;
    for (const IdList& item : items) {
        if (item.Count() > 1) {
            std::uint32_t bits = inOut;
            const bool known =
                AskHolderOf(*this, item, [&](ShellFolder* holder, const IdList& last) {
                    return holder && holder->GetAttributesOf(std::span(&last, 1), bits);
                });
            if (!known)
                return false;
            common &= bits;
            continue;
        }
        const std::optional<FileSystemItemData> data = DataOf(item);
        if (!data)
            return false;
        common &= AttributesOf(*data);
    }
    inOut &= common;
    return true;
}

std::optional<QString> GioFolder::GetDisplayNameOf(const IdList& item, std::uint32_t flags) {
    if (item.IsNull())
        return std::nullopt;
    if (item.IsEmpty())
        return m_uri;
    if (item.Count() > 1)
        return NestedDisplayNameOf(*this, item, flags);
    const std::optional<FileSystemItemData> data = DataOf(item);
    if (!data)
        return std::nullopt;
    const QString name = NameFromBytes(data->name);
    if (flags & SHGDN_FORPARSING)
        return (flags & SHGDN_INFOLDER) ? name : ChildUri(data->name);
    return DisplayFromName(name);
}

IdList GioFolder::ParseDisplayName(const QString& name) {
    QByteArray rest;
    const bool below = name.startsWith(m_uri) &&
                       (m_uri.endsWith(QLatin1Char('/')) || name.size() == m_uri.size() ||
                        name.at(m_uri.size()) == QLatin1Char('/'));
    if (below) {
        // The URI of something below this folder: its path's bytes.
        rest = QByteArray::fromPercentEncoding(name.mid(m_uri.size()).toUtf8());
    } else if (name.contains(QLatin1String("://"))) {
        return {};
    } else {
        rest = NameToBytes(name);
    }
    IdList out = IdList::Empty();
    for (const QByteArray& part : rest.split('/')) {
        if (part.isEmpty())
            continue;
        if (IsDotName(part))
            return {};
        const IdList id = FolderId(part);
        if (id.IsNull())
            return {};
        out = out.Concat(id);
    }
    return out.IsEmpty() ? IdList() : out;
}

int GioFolder::CompareIDs(int column, const IdList& a, const IdList& b) {
    return m_items->CompareIDs(column, a, b);
}

std::optional<FindData> GioFolder::GetFindData(const IdList& item) {
    if (item.Count() > 1)
        return NestedFindData(*this, item);
    const std::optional<FileSystemItemData> data = DataOf(item);
    return data ? std::optional(FindDataOf(*data)) : std::nullopt;
}

std::unique_ptr<ShellDataObject> GioFolder::GetDataObject(std::span<const IdList> items) {
    if (items.empty())
        return nullptr;
    QByteArray uris;
    QStringList text;
    for (const IdList& item : items) {
        const std::optional<FileSystemItemData> data = DataOf(item);
        if (!data)
            return nullptr;
        const QString uri = ChildUri(data->name);
        uris += uri.toUtf8() + "\r\n";
        text << uri;
    }
    auto object = std::make_unique<BasicDataObject>();
    object->SetData(ClipFormats::kShellIdList, EncodeShellIdArray(m_absolute, items));
    object->SetData(ClipFormats::kUriList, uris);
    object->SetData(ClipFormats::kText, text.join(QLatin1Char('\n')).toUtf8());
    return object;
}

std::optional<QString> GioFolder::GetInfoTip(const IdList& item) {
    if (item.Count() > 1)
        return NestedInfoTip(*this, item);
    return m_items->GetInfoTip(item);
}

int GioFolder::GetIconIndex(const IdList& item, bool open) {
    IconRegistry& icons = IconRegistry::Instance();
    if (item.IsEmpty())
        return icons.FolderIndex(open);
    if (item.Count() > 1)
        return NestedIconIndex(*this, item, open);
    const std::optional<FileSystemItemData> data = DataOf(item);
    if (!data)
        return -1;
    // A link is not followed to find what it points at: that would ask the
    // server for every link shown.
    const std::uint32_t mode = S_ISLNK(data->mode) ? std::uint32_t(S_IFREG) : data->mode;
    return icons.IndexForFile(NameFromBytes(data->name), mode, open);
}

IdList GioFolder::SetNameOf(const IdList& item, const QString& newName, std::uint32_t flags) {
    if (item.Count() > 1)
        return NestedSetNameOf(*this, item, newName, flags);
    std::optional<FileSystemItemData> data = DataOf(item);
    const QByteArray name = NameToBytes(newName);
    if (!data || name.isEmpty() || name.contains('/') || IsDotName(name))
        return {};
    if (name == data->name)
        return item;
    GioRequest request;
    request.kind = GioRequest::Kind::Rename;
    request.sources = {ChildUri(data->name)};
    request.name = name;
    if (RunGioOperation(request, nullptr).done != 1)
        return {};
    data->name = name;
    return FileSystemItemId(*data);
}

std::unique_ptr<ShellContextMenu> GioFolder::GetContextMenu(std::span<const IdList> items) {
    if (IsNested(items))
        return NestedContextMenu(*this, items);
    std::vector<FileDescriptor> described;
    QStringList uris;
    for (const IdList& item : items) {
        const std::optional<FileSystemItemData> data = DataOf(item);
        if (!data)
            return nullptr;
        FileDescriptor d;
        d.name = NameFromBytes(data->name);
        d.directory = S_ISDIR(data->mode);
        d.flags = FD_ATTRIBUTES | FD_WRITESTIME | FD_ACCESSTIME;
        if (!d.directory) {
            d.flags |= FD_FILESIZE;
            d.size = data->size;
        }
        d.times = data->times;
        described.push_back(std::move(d));
        uris << ChildUri(data->name);
    }
    std::unique_ptr<VerbContextMenu> menu =
        MakeDescribedItemsContextMenu(std::move(described), m_uri);
    if (!menu)
        return nullptr;
    std::vector<MenuVerb> verbs = menu->Verbs();
    verbs.push_back(StandardVerb(QStringLiteral("delete"), [uris](const InvokeContext& context) {
        GioRequest request;
        request.kind = GioRequest::Kind::Delete;
        request.sources = uris;
        request.permanent = IsShiftDown();
        const GioResult result = RunGioOperation(request, context.parent);
        return result.done > 0;
    }));
    return std::make_unique<VerbContextMenu>(std::move(verbs));
}

std::unique_ptr<ShellDropTarget> GioFolder::GetDropTarget(std::span<const IdList> items) {
    if (items.empty())
        return std::make_unique<GioDropTarget>(m_uri);
    if (items.size() != 1)
        return nullptr;
    const std::optional<FileSystemItemData> data = DataOf(items.front());
    if (!data || !S_ISDIR(data->mode))
        return nullptr;
    return std::make_unique<GioDropTarget>(ChildUri(data->name));
}

bool MakeGioFolder(const QString& folderUri, const QByteArray& name, QWidget* parent) {
    GioRequest request;
    request.kind = GioRequest::Kind::MakeFolder;
    request.target = folderUri;
    request.name = name;
    return RunGioOperation(request, parent).done == 1;
}

QStringList GioUrisOf(const ShellDataObject& data) {
    QStringList remote;
    for (const QString& uri : UrisOfData(data)) {
        if (!uri.startsWith(QLatin1String("file:")) && uri.contains(QLatin1String("://")))
            remote << uri;
    }
    return remote;
}
