#include "platform/places/NetworkFolder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstdlib>

#include "platform/fs/FileSystem.h"
#include "platform/fs/FileSystemFolder.h"
#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/ItemData.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/NestedFolder.h"
#include "platform/places/GioFolder.h"
#include "platform/remote/RemoteMounts.h"
#include "platform/shellui/ContextMenu.h"
#include "platform/shellui/VerbContextMenu.h"
#include "platform/ui/Prompter.h"

namespace {

const QString kNetworkParsing = QStringLiteral("::Network");

constexpr std::uint32_t kPlaceAttributes = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR |
                                           SFGAO_HASSUBFOLDER | SFGAO_DROPTARGET |
                                           SFGAO_HASPROPSHEET | SFGAO_CANLINK;

QString Tr(const char* text) {
    return QCoreApplication::translate("NetworkFolder", text);
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

}  // namespace

QString ConnectToServerParsingName() {
    return kNetworkParsing + QString::fromLatin1(kConnectPlacePath);
}

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

std::vector<NetworkPlace> NetworkPlaces(const VolumeTable& table, const QByteArray& gvfsDir,
                                        const RemoteMap& remote) {
    std::vector<NetworkPlace> out;
    out.push_back({kConnectPlacePath, Tr("Connect to Server"), QByteArray(), QString()});
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
        if (const auto names = DirectoryNames(gvfsDir)) {
            for (const QByteArray& name : *names) {
                NetworkPlace place;
                place.path = gvfsDir + "/" + name;
                place.fsType = "gvfs";
                place.name = GvfsName(name);
                if (const RemoteRoot* root = remote.RootOfPath(place.path);
                    root && root->localPath == place.path) {
                    place.name = root->name;
                    place.uri = root->uri;
                } else {
                    place.uri = UriOfFuseFolder(name).value_or(QString());
                }
                out.push_back(std::move(place));
            }
        }
    }
    // Locations GIO mounted without a local folder (no FUSE bridge) are
    // browsed by their URIs.
    for (const RemoteRoot& root : remote.Roots()) {
        const bool listed = std::any_of(out.begin(), out.end(),
                                        [&](const NetworkPlace& p) { return p.uri == root.uri; });
        if (!root.localPath.isEmpty() || listed)
            continue;
        out.push_back({QByteArray(), root.name.isEmpty() ? root.uri : root.name, "gio", root.uri});
    }
    return out;
}

NetworkFolder::NetworkFolder(IdList absolute)
    : NetworkFolder(std::move(absolute),
                    VolumeTable::Read(QStringLiteral("/proc/self/mountinfo"), QString()),
                    GvfsFolder(), RemoteMounts::Snapshot()) {
    m_live = true;
}

NetworkFolder::NetworkFolder(IdList absolute, VolumeTable table, QByteArray gvfsDir,
                             RemoteMap remote)
    : m_absolute(std::move(absolute)), m_places(NetworkPlaces(table, gvfsDir, remote)) {}

IdList NetworkPlaceId(const NetworkPlace& place) {
    return place.path.isEmpty() ? RemoteLocationItemId(place.uri) : VolumeItemId(place.path);
}

const NetworkPlace* NetworkFolder::Find(std::span<const std::uint8_t> payload) const {
    if (const std::optional<QString> uri = DecodeRemoteLocationItem(payload)) {
        for (const NetworkPlace& p : m_places) {
            if (p.path.isEmpty() && p.uri == *uri)
                return &p;
        }
        return nullptr;
    }
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
    if (!place || place->path == kConnectPlacePath)
        return nullptr;
    if (place->path.isEmpty()) {
        auto folder =
            std::make_unique<GioFolder>(place->uri, m_absolute.Concat(relative.Prefix(1)));
        if (relative.Count() == 1)
            return folder;
        return folder->BindToObject(relative.Suffix(1));
    }
    auto folder = std::make_unique<FileSystemFolder>(NameFromBytes(place->path),
                                                     m_absolute.Concat(relative.Prefix(1)));
    if (relative.Count() == 1)
        return folder;
    return folder->BindToObject(relative.Suffix(1));
}

std::unique_ptr<EnumIdList> NetworkFolder::EnumObjects(std::uint32_t flags) {
    // A refresh lists the mounts as they are now: servers come and go.
    if (m_live) {
        m_places =
            NetworkPlaces(VolumeTable::Read(QStringLiteral("/proc/self/mountinfo"), QString()),
                          GvfsFolder(), RemoteMounts::Snapshot());
    }
    std::vector<IdList> ids;
    for (const NetworkPlace& p : m_places) {
        const bool action = p.path == kConnectPlacePath;
        if ((action && (flags & SHCONTF_NONFOLDERS)) || (!action && (flags & SHCONTF_FOLDERS)))
            ids.push_back(NetworkPlaceId(p));
    }
    return std::make_unique<IdListEnum>(std::move(ids));
}

bool NetworkFolder::GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) {
    return NestedAttributesOf(*this, items, inOut, [this](const IdList& item, std::uint32_t& bits) {
        const NetworkPlace* place = Find(item.ItemPayload(0));
        if (!place)
            return false;
        bits = place->path == kConnectPlacePath ? 0u
               : place->path.isEmpty()          ? GioFolder::kFolderAttributes
                                                : kPlaceAttributes;
        return true;
    });
}

std::optional<QString> NetworkFolder::GetDisplayNameOf(const IdList& item, std::uint32_t flags) {
    if (item.IsNull())
        return std::nullopt;
    if (item.IsEmpty())
        return (flags & SHGDN_FORPARSING) ? kNetworkParsing : Tr("Network");
    if (item.Count() > 1)
        return NestedDisplayNameOf(*this, item, flags);
    const NetworkPlace* place = Find(item.ItemPayload(0));
    if (!place)
        return std::nullopt;
    if (place->path == kConnectPlacePath)
        return (flags & SHGDN_FORPARSING) ? ConnectToServerParsingName() : place->name;
    if (place->path.isEmpty())
        return (flags & SHGDN_FORPARSING) ? place->uri : place->name;
    return (flags & SHGDN_FORPARSING) ? NameFromBytes(place->path) : place->name;
}

IdList NetworkFolder::ParseRemoteUri(const QString& uri) {
    std::vector<RemoteRoot> roots;
    for (const NetworkPlace& p : m_places) {
        if (p.path.isEmpty())
            roots.push_back({p.uri, QByteArray(), p.name});
    }
    const RemoteMap map(std::move(roots), QByteArray());
    const RemoteRoot* root = map.RootOfUri(uri);
    const std::optional<RemoteAddress> address = ::ParseRemoteUri(uri);
    const std::optional<RemoteAddress> base = root ? ::ParseRemoteUri(root->uri) : std::nullopt;
    if (!address || !base)
        return {};
    const IdList id = RemoteLocationItemId(root->uri);
    const QByteArray rest = address->path.mid(base->path.size());
    if (rest.isEmpty() || rest == "/")
        return id;
    GioFolder folder(root->uri, IdList::Empty());
    const IdList below = folder.ParseDisplayName(NameFromBytes(rest));
    return below.IsNull() ? IdList() : id.Concat(below);
}

IdList NetworkFolder::ParseDisplayName(const QString& name) {
    if (IsRemoteUri(name))
        return ParseRemoteUri(name);
    const QByteArray path = NameToBytes(name);
    const NetworkPlace* best = nullptr;
    for (const NetworkPlace& p : m_places) {
        if (p.path == kConnectPlacePath || p.path.isEmpty())
            continue;
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
        const bool aAction = pa->path == kConnectPlacePath;
        const bool bAction = pb->path == kConnectPlacePath;
        if (aAction != bAction)
            return aAction ? -1 : 1;  // the action stays the first item
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
    return r ? r : CompareBelowFirst(*this, column, a, b);
}

std::optional<FindData> NetworkFolder::GetFindData(const IdList& item) {
    if (item.Count() > 1)
        return NestedFindData(*this, item);
    // The pane lists virtual folders by their find data when there are
    // any; a place is named by its source, so only the other fields help.
    return std::nullopt;
}

std::unique_ptr<ShellDataObject> NetworkFolder::GetDataObject(std::span<const IdList> items) {
    return ParsedPathsDataObject(*this, m_absolute, items);
}

std::optional<QString> NetworkFolder::GetInfoTip(const IdList& item) {
    if (item.Count() > 1)
        return NestedInfoTip(*this, item);
    const NetworkPlace* place = Find(item.ItemPayload(0));
    if (!place)
        return std::nullopt;
    if (place->path == kConnectPlacePath)
        return Tr("Connect to a folder on another machine (sftp, smb, ftp, dav)");
    if (!place->uri.isEmpty())
        return Tr("Location: %1").arg(place->uri);
    return Tr("Mounted at: %1\nFile system: %2")
        .arg(DisplayFromName(NameFromBytes(place->path)), QString::fromUtf8(place->fsType));
}

int NetworkFolder::GetIconIndex(const IdList& item, bool open) {
    if (item.IsEmpty())
        return IconRegistry::NetworkIcon;
    if (item.Count() > 1)
        return NestedIconIndex(*this, item, open);
    return Find(item.ItemPayload(0)) ? int(IconRegistry::RemoteDriveIcon) : -1;
}

IdList NetworkFolder::SetNameOf(const IdList& item, const QString& newName, std::uint32_t flags) {
    if (item.Count() < 2)
        return {};  // a mount is not renamed here
    return NestedSetNameOf(*this, item, newName, flags);
}

std::unique_ptr<ShellContextMenu> NetworkFolder::GetContextMenu(std::span<const IdList> items) {
    // Asking a remote folder's properties touches the server: only when the
    // user picks it, and for one place at a time (as PlacesContextMenu has it).
    std::unique_ptr<ShellContextMenu> menu;
    if (items.size() == 1 && items[0].Count() == 1) {
        const NetworkPlace* place = Find(items[0].ItemPayload(0));
        if (place && place->path == kConnectPlacePath)
            return MakePlaceContextMenu({});  // "open": the program connects
        if (place && place->path.isEmpty())
            menu = MakePlaceContextMenu({});  // no local folder to show properties of
    }
    if (!menu) {
        menu = PlacesContextMenu(*this, items, [this](const IdList& item) {
            const NetworkPlace* place = Find(item.ItemPayload(0));
            if (place && (place->path == kConnectPlacePath || place->path.isEmpty()))
                return std::optional<QByteArray>();
            return place ? std::optional(place->path) : std::nullopt;
        });
    }
    if (!menu || items.size() != 1 || items[0].Count() != 1)
        return menu;
    const NetworkPlace* place = Find(items[0].ItemPayload(0));
    auto* verbs = dynamic_cast<VerbContextMenu*>(menu.get());
    if (!place || place->uri.isEmpty() || !verbs)
        return menu;
    std::vector<MenuVerb> withUnmount = verbs->Verbs();
    withUnmount.push_back(MenuVerb::Separator());
    MenuVerb unmount;
    unmount.verb = kUnmountVerb;
    unmount.text = Tr("&Unmount");
    unmount.helpText = Tr("Disconnects from this server");
    // The unmount finishes later; the panes on it hear of it from
    // RemoteMounts::MountRemoved. Only a refusal is told here.
    unmount.run = [uri = place->uri](const InvokeContext& context) {
        RemoteMounts::Instance().Unmount(uri, context.parent, [uri](bool ok, const QString& why) {
            if (!ok) {
                MessageBoxText(Tr("\"%1\" could not be unmounted: %2").arg(uri, why),
                               PromptButtons::Ok, PromptIcon::Error);
            }
        });
        return true;
    };
    withUnmount.push_back(std::move(unmount));
    return std::make_unique<VerbContextMenu>(std::move(withUnmount));
}
