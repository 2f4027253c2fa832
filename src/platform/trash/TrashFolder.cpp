#include "platform/trash/TrashFolder.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <cerrno>
#include <cstring>

#include "platform/fs/FileSystem.h"
#include "platform/fs/FileSystemFolder.h"
#include "platform/fs/RemoveTree.h"
#include "platform/namespace/BasicDataObject.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/NestedFolder.h"
#include "platform/namespace/ShellIdArray.h"
#include "platform/shellui/ContextMenu.h"
#include "platform/trash/TrashMenus.h"
#include "platform/ui/Prompter.h"

namespace {

const QString kTrashParsing = QStringLiteral("::Trash");

constexpr std::uint32_t kEntryCapabilities = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANDELETE;

QString Tr(const char* text) {
    return QCoreApplication::translate("TrashFolder", text);
}

QByteArray FolderPart(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

TrashEntry EntryOf(const TrashItemData& data) {
    TrashEntry entry;
    entry.trash = {data.trashDir, data.topdir};
    entry.name = data.name;
    entry.originalPath = data.originalPath;
    entry.deletionTime = data.deletionTime;
    entry.mode = data.mode;
    entry.size = data.size;
    return entry;
}

std::optional<TrashItemData> FirstItem(const IdList& item) {
    if (item.Count() < 1)
        return std::nullopt;
    return DecodeTrashItem(item.ItemPayload(0));
}

int CompareNames(const QByteArray& a, const QByteArray& b) {
    const int folded = NameFromBytes(a).compare(NameFromBytes(b), Qt::CaseInsensitive);
    if (folded)
        return Order(folded, 0);
    return Order(a.compare(b), 0);
}

QByteArray ExtensionOf(const QByteArray& name) {
    const qsizetype dot = name.lastIndexOf('.');
    return dot <= 0 ? QByteArray() : name.mid(dot + 1);
}

class TrashDropTarget : public ShellDropTarget {
public:
    bool DragEnter(const ShellDataObject& data, std::uint32_t keyState, QPoint point,
                   std::uint32_t& effect) override {
        (void)keyState;
        (void)point;
        m_accept = !PathsFromUriList(data.GetData(ClipFormats::kUriList)).isEmpty();
        m_allowed = effect;
        effect = m_accept && (effect & DROPEFFECT_MOVE) ? DROPEFFECT_MOVE : DROPEFFECT_NONE;
        return true;
    }
    bool DragOver(std::uint32_t keyState, QPoint point, std::uint32_t& effect) override {
        (void)keyState;
        (void)point;
        effect = m_accept && (effect & DROPEFFECT_MOVE) ? DROPEFFECT_MOVE : DROPEFFECT_NONE;
        return true;
    }
    void DragLeave() override { m_accept = false; }
    bool Drop(const ShellDataObject& data, std::uint32_t keyState, QPoint point,
              std::uint32_t& effect) override {
        (void)keyState;
        (void)point;
        // Whatever the keys say, the only thing the trash does is take items
        // in; a copy "into the trash" would delete nothing and trash a copy.
        const QList<QByteArray> paths = PathsFromUriList(data.GetData(ClipFormats::kUriList));
        if (paths.isEmpty() || !(effect & (DROPEFFECT_MOVE | DROPEFFECT_COPY))) {
            effect = DROPEFFECT_NONE;
            return false;
        }
        const bool done = TrashPaths(paths, nullptr);
        effect = done ? DROPEFFECT_MOVE : DROPEFFECT_NONE;
        return done;
    }

private:
    bool m_accept = false;
    std::uint32_t m_allowed = 0;
};

}  // namespace

TrashFolder::TrashFolder(IdList absolute) : m_absolute(std::move(absolute)) {}

std::unique_ptr<ShellFolder> TrashFolder::BindToObject(const IdList& relative) {
    const auto data = FirstItem(relative);
    if (!data || !S_ISDIR(data->mode))
        return nullptr;
    const TrashEntry entry = EntryOf(*data);
    struct stat st;
    if (::lstat(entry.FilePath().constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return nullptr;
    auto folder = std::make_unique<FileSystemFolder>(NameFromBytes(entry.FilePath()),
                                                     m_absolute.Concat(relative.Prefix(1)));
    if (relative.Count() == 1)
        return folder;
    return folder->BindToObject(relative.Suffix(1));
}

std::unique_ptr<EnumIdList> TrashFolder::EnumObjects(std::uint32_t flags) {
    std::vector<IdList> ids;
    for (const TrashEntry& entry : ListTrash()) {
        const bool folder = S_ISDIR(entry.mode);
        if (folder && !(flags & SHCONTF_FOLDERS))
            continue;
        if (!folder && !(flags & SHCONTF_NONFOLDERS))
            continue;
        if (entry.OriginalName().startsWith('.') && !(flags & SHCONTF_INCLUDEHIDDEN))
            continue;
        IdList id = TrashEntryId(entry);
        if (!id.IsNull())
            ids.push_back(std::move(id));
    }
    return std::make_unique<IdListEnum>(std::move(ids));
}

bool TrashFolder::GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) {
    return NestedAttributesOf(*this, items, inOut, [](const IdList& item, std::uint32_t& bits) {
        const auto data = FirstItem(item);
        if (!data)
            return false;
        bits = kEntryCapabilities;
        bits |= S_ISDIR(data->mode) ? (SFGAO_FOLDER | SFGAO_HASSUBFOLDER) : SFGAO_STREAM;
        if (S_ISLNK(data->mode))
            bits |= SFGAO_LINK;
        if (LastComponent(data->originalPath).startsWith('.'))
            bits |= SFGAO_HIDDEN;
        return true;
    });
}

std::optional<QString> TrashFolder::GetDisplayNameOf(const IdList& item, std::uint32_t flags) {
    if (item.IsNull())
        return std::nullopt;
    if (item.IsEmpty())
        return (flags & SHGDN_FORPARSING) ? kTrashParsing : Tr("Trash");
    if (item.Count() > 1)
        return NestedDisplayNameOf(*this, item, flags);
    const auto data = FirstItem(item);
    if (!data)
        return std::nullopt;
    if (flags & SHGDN_FORPARSING)
        return NameFromBytes(EntryOf(*data).FilePath());
    return DisplayFromBytes(LastComponent(data->originalPath));
}

IdList TrashFolder::ParseDisplayName(const QString& name) {
    const QByteArray path = NameToBytes(name);
    if (!path.startsWith('/'))
        return {};
    for (const TrashDirectory& trash : ExistingTrashDirectories()) {
        const QByteArray files = trash.path + "/files/";
        if (!path.startsWith(files))
            continue;
        QByteArray rest = path.mid(files.size());
        const qsizetype slash = rest.indexOf('/');
        const QByteArray first = slash < 0 ? rest : rest.left(slash);
        const auto entry = ReadTrashEntry(trash, first);
        if (!entry)
            return {};
        const IdList id = TrashEntryId(*entry);
        if (slash < 0 || slash == rest.size() - 1)
            return id;
        auto folder = BindToObject(id);
        if (!folder)
            return {};
        const IdList below = folder->ParseDisplayName(NameFromBytes(rest.mid(slash + 1)));
        return below.IsNull() ? IdList() : id.Concat(below);
    }
    return {};
}

int TrashFolder::CompareIDs(int column, const IdList& a, const IdList& b) {
    if (a.Count() == 0 || b.Count() == 0)
        return Order(a.Count(), b.Count());
    const auto da = FirstItem(a);
    const auto db = FirstItem(b);
    if (!da || !db) {
        if (da || db)
            return da ? -1 : 1;
        return Order(a.ToByteArray().compare(b.ToByteArray()), 0);
    }
    int r = 0;
    const bool lastLevel = a.Count() == 1 && b.Count() == 1;
    const bool fa = S_ISDIR(da->mode);
    const bool fb = S_ISDIR(db->mode);
    if (fa != fb)
        r = fa ? -1 : 1;
    const QByteArray na = LastComponent(da->originalPath);
    const QByteArray nb = LastComponent(db->originalPath);
    if (!r && lastLevel) {
        switch (column) {
            case 1:
                r = Order(da->size, db->size);
                break;
            case 2:
                r = QString::fromUtf8(ExtensionOf(na))
                        .compare(QString::fromUtf8(ExtensionOf(nb)), Qt::CaseInsensitive);
                r = Order(r, 0);
                break;
            case 3:
                r = Order(da->deletionTime, db->deletionTime);
                break;
            default:
                break;
        }
    }
    if (!r)
        r = CompareNames(na, nb);
    if (!r)
        r = Order(da->trashDir.compare(db->trashDir), 0);
    if (!r)
        r = Order(da->name.compare(db->name), 0);
    return r ? r : CompareBelowFirst(*this, column, a, b);
}

std::optional<FindData> TrashFolder::GetFindData(const IdList& item) {
    if (item.Count() > 1)
        return NestedFindData(*this, item);
    const auto data = FirstItem(item);
    if (!data)
        return std::nullopt;
    FindData fd;
    fd.name = DisplayFromBytes(LastComponent(data->originalPath));
    fd.mode = data->mode;
    fd.size = data->size;
    fd.times[kTimeModified] = data->deletionTime;
    return fd;
}

std::unique_ptr<ShellDataObject> TrashFolder::GetDataObject(std::span<const IdList> items) {
    if (items.empty())
        return nullptr;
    QStringList paths;
    QList<QByteArray> names;
    for (const IdList& item : items) {
        const auto data = FirstItem(item);
        if (!data || item.Count() != 1)
            return nullptr;
        paths << NameFromBytes(EntryOf(*data).FilePath());
        names << LastComponent(data->originalPath);
    }
    auto object = std::make_unique<BasicDataObject>();
    object->SetData(ClipFormats::kShellIdList, EncodeShellIdArray(m_absolute, items));
    object->SetFilePaths(paths);
    object->SetData(ClipFormats::kFileNameMap, EncodeFileNameMap(names));
    return object;
}

std::optional<QString> TrashFolder::GetInfoTip(const IdList& item) {
    if (item.Count() > 1)
        return NestedInfoTip(*this, item);
    const auto data = FirstItem(item);
    if (!data)
        return std::nullopt;
    const QLocale locale = QLocale::system();
    QStringList lines;
    lines << Tr("Original location: %1").arg(DisplayFromBytes(FolderPart(data->originalPath)));
    if (data->deletionTime) {
        const QDateTime when =
            QDateTime::fromMSecsSinceEpoch(FileTimeToUnixMilliseconds(data->deletionTime));
        lines << Tr("Deleted: %1").arg(locale.toString(when, QLocale::ShortFormat));
    }
    if (!S_ISDIR(data->mode))
        lines << Tr("Size: %1").arg(locale.formattedDataSize(qint64(data->size)));
    return lines.join(QLatin1Char('\n'));
}

int TrashFolder::GetIconIndex(const IdList& item, bool open) {
    IconRegistry& icons = IconRegistry::Instance();
    if (item.IsEmpty())
        return TrashIsEmpty() ? IconRegistry::TrashEmptyIcon : IconRegistry::TrashFullIcon;
    if (item.Count() > 1)
        return NestedIconIndex(*this, item, open);
    const auto data = FirstItem(item);
    if (!data)
        return -1;
    return icons.IndexForFile(NameFromBytes(LastComponent(data->originalPath)), data->mode, open);
}

std::unique_ptr<ShellDropTarget> TrashFolder::GetDropTarget(std::span<const IdList> items) {
    if (!items.empty())
        return nullptr;  // entries of the trash take no drops
    return std::make_unique<TrashDropTarget>();
}

std::unique_ptr<ShellContextMenu> TrashFolder::GetBackgroundMenu() {
    return MakeTrashBackgroundMenu();
}

std::unique_ptr<ShellContextMenu> TrashFolder::GetContextMenu(std::span<const IdList> items) {
    if (items.empty())
        return nullptr;
    if (IsNested(items))
        return NestedContextMenu(*this, items);  // inside a trashed folder
    std::vector<TrashEntry> entries = TrashEntriesFromIds(items);
    if (entries.size() != items.size())
        return nullptr;  // some are gone: the pane refreshes first
    return MakeTrashContextMenu(std::move(entries));
}

std::optional<TrashEntry> TrashEntryFromId(const IdList& relative) {
    if (relative.Count() != 1)
        return std::nullopt;
    const auto data = DecodeTrashItem(relative.ItemPayload(0));
    if (!data)
        return std::nullopt;
    return ReadTrashEntry({data->trashDir, data->topdir}, data->name);
}

std::vector<TrashEntry> TrashEntriesFromIds(std::span<const IdList> items) {
    std::vector<TrashEntry> out;
    for (const IdList& item : items) {
        if (auto entry = TrashEntryFromId(item))
            out.push_back(std::move(*entry));
    }
    return out;
}

IdList TrashEntryId(const TrashEntry& entry) {
    TrashItemData data;
    data.mode = entry.mode;
    data.size = entry.size;
    data.deletionTime = entry.deletionTime;
    data.trashDir = entry.trash.path;
    data.topdir = entry.trash.topdir;
    data.originalPath = entry.originalPath;
    data.name = entry.name;
    return TrashItemId(data);
}

QByteArray EncodeFileNameMap(const QList<QByteArray>& names) {
    QByteArray out;
    for (const QByteArray& name : names) {
        out += name;
        out += '\0';
    }
    out += '\0';
    return out;
}

QList<QByteArray> DecodeFileNameMap(const QByteArray& bytes) {
    if (bytes.size() < 2 || !bytes.endsWith(QByteArray(2, '\0')))
        return {};
    QList<QByteArray> names;
    qsizetype start = 0;
    while (start < bytes.size() - 1) {
        const qsizetype end = bytes.indexOf('\0', start);
        if (end <= start)
            return {};  // an empty name inside the map: not a map
        names << bytes.mid(start, end - start);
        start = end + 1;
    }
    return names;
}

QList<QByteArray> PathsFromUriList(const QByteArray& uriList) {
    QList<QByteArray> paths;
    for (QByteArray line : uriList.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        QByteArray rest;
        if (line.startsWith("file:///"))
            rest = line.mid(7);
        else if (line.startsWith("file://localhost/"))
            rest = line.mid(16);
        else
            continue;
        const QByteArray path = QByteArray::fromPercentEncoding(rest);
        if (path.startsWith('/') && !path.contains('\0'))
            paths << path;
    }
    return paths;
}

bool TrashPaths(const QList<QByteArray>& paths, QWidget* parent) {
    bool any = false;
    QStringList failures;
    for (const QByteArray& path : paths) {
        QString error;
        switch (MoveToTrash(path, &error)) {
            case TrashResult::Trashed:
                any = true;
                break;
            case TrashResult::NoTrash: {
                PromptRequest request;
                request.text =
                    Tr("%1\nDelete it for good instead? This cannot be undone.").arg(error);
                request.title = Tr("Trash");
                request.buttons = PromptButtons::YesNo;
                request.icon = PromptIcon::Warning;
                request.defaultButton = 1;
                request.parent = parent;
                if (Prompts().MessageBox(request) == PromptAnswer::Yes) {
                    if (RemoveTree(path)) {
                        any = true;
                    } else {
                        failures << Tr("\"%1\" could not be deleted: %2")
                                        .arg(DisplayFromBytes(LastComponent(path)),
                                             QString::fromLocal8Bit(std::strerror(errno)));
                    }
                }
                break;
            }
            case TrashResult::Failed:
                failures << error;
                break;
        }
    }
    if (!failures.isEmpty()) {
        PromptRequest request;
        request.text = failures.join(QLatin1Char('\n'));
        request.title = Tr("Trash");
        request.icon = PromptIcon::Error;
        request.parent = parent;
        Prompts().MessageBox(request);
    }
    return any;
}
