#include "platform/shell/NetworkFolder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstdlib>

#include "platform/shell/BasicDataObject.h"
#include "platform/shell/ClipFormats.h"
#include "platform/shell/FileSystem.h"
#include "platform/shell/FileSystemFolder.h"
#include "platform/shell/IconRegistry.h"
#include "platform/shell/ItemData.h"
#include "platform/shell/NameCodec.h"
#include "platform/shell/ShellIdArray.h"

namespace {

const QString kNetworkParsing = QStringLiteral("::Network");

constexpr std::uint32_t kPlaceAttributes = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR |
                                           SFGAO_HASSUBFOLDER | SFGAO_DROPTARGET |
                                           SFGAO_HASPROPSHEET | SFGAO_CANLINK;

QString Tr(const char* text) {
    return QCoreApplication::translate("NetworkFolder", text);
}

template <typename T>
int Order(T a, T b) {
    return a < b ? -1 : a > b ? 1 : 0;
}

bool IsGvfsBridge(const QByteArray& type) {
    return type == "fuse.gvfsd-fuse" || type == "gvfs-fuse-daemon" ||
           type == "fuse.gvfs-fuse-daemon";
}

// "smb-share:server=host,share=docs" -> "docs on host"; "sftp:host=h,user=u"
// -> "h"; other forms keep their folder name.
QString GvfsName(const QByteArray& folder) {
    const qsizetype colon = folder.indexOf(':');
    if (colon <= 0)
        return DisplayFromName(NameFromBytes(folder));
    QByteArray server, share;
    for (const QByteArray& pair : folder.mid(colon + 1).split(',')) {
        const qsizetype eq = pair.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = pair.left(eq);
        const QByteArray value = QByteArray::fromPercentEncoding(pair.mid(eq + 1));
        if (key == "server" || key == "host")
            server = value;
        else if (key == "share" || key == "volume")
            share = value;
    }
    if (server.isEmpty())
        return DisplayFromName(NameFromBytes(folder));
    if (share.isEmpty())
        return DisplayFromName(NameFromBytes(server));
    return Tr("%1 on %2")
        .arg(DisplayFromName(NameFromBytes(share)), DisplayFromName(NameFromBytes(server)));
}

class ListEnum : public EnumIdList {
public:
    explicit ListEnum(std::vector<IdList> ids) : m_ids(std::move(ids)) {}
    Result Next(IdList& item) override {
        if (m_next >= m_ids.size())
            return Result::End;
        item = m_ids[m_next++];
        return Result::Item;
    }

private:
    std::vector<IdList> m_ids;
    std::size_t m_next = 0;
};

}  // namespace

QString RemoteSourceName(const QByteArray& source, const QByteArray& fsType) {
    (void)fsType;
    if (source.startsWith("//")) {
        // //server/share[/path]
        const QList<QByteArray> parts = source.mid(2).split('/');
        if (parts.size() >= 2 && !parts[0].isEmpty() && !parts[1].isEmpty()) {
            return Tr("%1 on %2")
                .arg(DisplayFromName(NameFromBytes(parts[1])),
                     DisplayFromName(NameFromBytes(parts[0])));
        }
        return {};
    }
    const qsizetype colon = source.indexOf(':');
    if (colon > 0 && !source.startsWith('/')) {
        // server:/export, user@server:path
        QByteArray server = source.left(colon);
        const qsizetype at = server.lastIndexOf('@');
        if (at >= 0)
            server = server.mid(at + 1);
        QByteArray path = source.mid(colon + 1);
        if (server.isEmpty())
            return {};
        if (path.isEmpty())
            return DisplayFromName(NameFromBytes(server));
        return Tr("%1 on %2")
            .arg(DisplayFromName(NameFromBytes(path)), DisplayFromName(NameFromBytes(server)));
    }
    return {};
}

QByteArray GvfsFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/')
        return QByteArray(runtime) + "/gvfs";
    return "/run/user/" + QByteArray::number(static_cast<qulonglong>(::getuid())) + "/gvfs";
}

std::vector<NetworkPlace> NetworkPlaces(const VolumeTable& table, const QByteArray& gvfsDir) {
    std::vector<NetworkPlace> out;
    for (const MountEntry& m : table.Mounts()) {
        if (!IsRemoteFileSystemType(m.fsType) || IsGvfsBridge(m.fsType))
            continue;
        NetworkPlace place;
        place.path = m.mountPoint;
        place.fsType = m.fsType;
        place.name = RemoteSourceName(m.source, m.fsType);
        if (place.name.isEmpty()) {
            const qsizetype slash = m.mountPoint.lastIndexOf('/');
            place.name = DisplayFromName(NameFromBytes(m.mountPoint.mid(slash + 1)));
        }
        out.push_back(std::move(place));
    }
    if (!gvfsDir.isEmpty()) {
        // A bridge that died answers opendir with an error: nothing is listed.
        if (DIR* dir = ::opendir(gvfsDir.constData())) {
            std::vector<QByteArray> names;
            while (const struct dirent* d = ::readdir(dir)) {
                const QByteArray name(d->d_name);
                if (name != "." && name != "..")
                    names.push_back(name);
            }
            ::closedir(dir);
            std::sort(names.begin(), names.end());
            for (const QByteArray& name : names) {
                NetworkPlace place;
                place.path = gvfsDir + "/" + name;
                place.fsType = "gvfs";
                place.name = GvfsName(name);
                out.push_back(std::move(place));
            }
        }
    }
    return out;
}

NetworkFolder::NetworkFolder(IdList absolute)
    : NetworkFolder(std::move(absolute),
                    VolumeTable::Read(QStringLiteral("/proc/self/mountinfo"), QString()),
                    GvfsFolder()) {}

NetworkFolder::NetworkFolder(IdList absolute, VolumeTable table, QByteArray gvfsDir)
    : m_absolute(std::move(absolute)), m_places(NetworkPlaces(table, gvfsDir)) {}

const NetworkPlace* NetworkFolder::Find(std::span<const std::uint8_t> payload) const {
    const auto data = DecodeVolumeItem(payload);
    if (!data)
        return nullptr;
    for (const NetworkPlace& p : m_places) {
        if (p.path == data->mountPoint)
            return &p;
    }
    return nullptr;
}

std::unique_ptr<ShellFolder> NetworkFolder::BindToObject(const IdList& relative) {
    if (relative.Count() == 0)
        return nullptr;
    const NetworkPlace* place = Find(relative.ItemPayload(0));
    if (!place)
        return nullptr;
    auto folder = std::make_unique<FileSystemFolder>(NameFromBytes(place->path),
                                                     m_absolute.Concat(relative.Prefix(1)));
    if (relative.Count() == 1)
        return folder;
    return folder->BindToObject(relative.Suffix(1));
}

std::unique_ptr<EnumIdList> NetworkFolder::EnumObjects(std::uint32_t flags) {
    std::vector<IdList> ids;
    if (flags & SHCONTF_FOLDERS) {
        for (const NetworkPlace& p : m_places) ids.push_back(VolumeItemId(p.path));
    }
    return std::make_unique<ListEnum>(std::move(ids));
}

bool NetworkFolder::GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) {
    std::uint32_t all = ~std::uint32_t(0);
    for (const IdList& item : items) {
        std::uint32_t bits = inOut;
        if (item.Count() > 1) {
            auto parent = BindToObject(item.Trim(1));
            const IdList last = item.Last();
            if (!parent || !parent->GetAttributesOf(std::span(&last, 1), bits))
                return false;
        } else {
            if (!Find(item.ItemPayload(0)))
                return false;
            bits = kPlaceAttributes;
        }
        all &= bits;
    }
    if (!items.empty())
        inOut &= all;
    return true;
}

std::optional<QString> NetworkFolder::GetDisplayNameOf(const IdList& item, std::uint32_t flags) {
    if (item.IsNull())
        return std::nullopt;
    if (item.IsEmpty())
        return (flags & SHGDN_FORPARSING) ? kNetworkParsing : Tr("Network");
    if (item.Count() > 1) {
        auto parent = BindToObject(item.Trim(1));
        return parent ? parent->GetDisplayNameOf(item.Last(), flags) : std::nullopt;
    }
    const NetworkPlace* place = Find(item.ItemPayload(0));
    if (!place)
        return std::nullopt;
    return (flags & SHGDN_FORPARSING) ? NameFromBytes(place->path) : place->name;
}

IdList NetworkFolder::ParseDisplayName(const QString& name) {
    const QByteArray path = NameToBytes(name);
    const NetworkPlace* best = nullptr;
    for (const NetworkPlace& p : m_places) {
        if (PathIsUnder(path, p.path) && (!best || p.path.size() > best->path.size()))
            best = &p;
    }
    if (!best)
        return {};
    const IdList id = VolumeItemId(best->path);
    QByteArray rest = path.mid(best->path.size());
    while (rest.startsWith('/')) rest.remove(0, 1);
    if (rest.isEmpty())
        return id;
    FileSystemFolder folder(NameFromBytes(best->path), IdList::Empty());
    const IdList below = folder.ParseDisplayName(NameFromBytes(rest));
    return below.IsNull() ? IdList() : id.Concat(below);
}

int NetworkFolder::CompareIDs(int column, const IdList& a, const IdList& b) {
    if (a.Count() == 0 || b.Count() == 0)
        return Order(a.Count(), b.Count());
    const NetworkPlace* pa = Find(a.ItemPayload(0));
    const NetworkPlace* pb = Find(b.ItemPayload(0));
    int r = 0;
    if (pa && pb) {
        if (pa != pb) {
            r = Order(pa->name.compare(pb->name, Qt::CaseInsensitive), 0);
            if (!r)
                r = Order(pa->path.compare(pb->path), 0);
        }
    } else if (pa || pb) {
        r = pa ? -1 : 1;
    } else {
        r = Order(a.Prefix(1).ToByteArray().compare(b.Prefix(1).ToByteArray()), 0);
    }
    if (r)
        return r;
    if (a.Count() > 1 && b.Count() > 1) {
        if (auto folder = BindToObject(a.Prefix(1)))
            return folder->CompareIDs(column, a.Suffix(1), b.Suffix(1));
    }
    return Order(a.Count(), b.Count());
}

std::optional<FindData> NetworkFolder::GetFindData(const IdList& item) {
    if (item.Count() > 1) {
        auto parent = BindToObject(item.Trim(1));
        return parent ? parent->GetFindData(item.Last()) : std::nullopt;
    }
    // The pane lists virtual folders by their find data when there are
    // any; a place is named by its source, so only the other fields help.
    return std::nullopt;
}

std::unique_ptr<ShellDataObject> NetworkFolder::GetDataObject(std::span<const IdList> items) {
    if (items.empty())
        return nullptr;
    QStringList paths;
    for (const IdList& item : items) {
        auto path = GetDisplayNameOf(item, SHGDN_FORPARSING);
        if (!path)
            return nullptr;
        paths << *path;
    }
    auto object = std::make_unique<BasicDataObject>();
    object->SetData(ClipFormats::kShellIdList, EncodeShellIdArray(m_absolute, items));
    object->SetFilePaths(paths);
    return object;
}

std::optional<QString> NetworkFolder::GetInfoTip(const IdList& item) {
    if (item.Count() > 1) {
        auto parent = BindToObject(item.Trim(1));
        return parent ? parent->GetInfoTip(item.Last()) : std::nullopt;
    }
    const NetworkPlace* place = Find(item.ItemPayload(0));
    if (!place)
        return std::nullopt;
    return Tr("Mounted at: %1\nFile system: %2")
        .arg(DisplayFromName(NameFromBytes(place->path)), QString::fromUtf8(place->fsType));
}

int NetworkFolder::GetIconIndex(const IdList& item, bool open) {
    if (item.IsEmpty())
        return IconRegistry::NetworkIcon;
    if (item.Count() > 1) {
        auto parent = BindToObject(item.Trim(1));
        return parent ? parent->GetIconIndex(item.Last(), open) : -1;
    }
    return Find(item.ItemPayload(0)) ? int(IconRegistry::RemoteDriveIcon) : -1;
}

IdList NetworkFolder::SetNameOf(const IdList& item, const QString& newName, std::uint32_t flags) {
    if (item.Count() < 2)
        return {};  // a mount is not renamed here
    auto parent = BindToObject(item.Trim(1));
    if (!parent)
        return {};
    const IdList renamed = parent->SetNameOf(item.Last(), newName, flags);
    return renamed.IsNull() ? IdList() : item.Trim(1).Concat(renamed);
}
