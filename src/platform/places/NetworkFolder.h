#pragma once
// NetworkFolder: the network places ("Network", parsing name "::Network"):
// the remote mounts of the mount table (IsRemoteFileSystemType: nfs, nfs4,
// cifs, smb3, sshfs, fuse.sshfs, davfs, 9p, ...) and the GVfs mounts, which
// GVfs's FUSE bridge shows as sub-folders of $XDG_RUNTIME_DIR/gvfs (the
// bridge's own mount is not listed itself).
//
// Items are volume ids (ItemKind::Volume) holding the place's path; each is
// a file-system folder (FileSystemFolder) whose parsing name is that path.
// The in-folder name says what is mounted: "share on server" for
// "//server/share", "/export on server" for "server:/export", the GVfs
// folder's share and server for GVfs mounts, else the mount point's last
// component. Nothing here touches a remote file system until it is bound or
// asked for find data, so a server that does not answer cannot stall the
// listing.

#include <QByteArray>
#include <optional>
#include <vector>

#include "platform/fs/Volumes.h"
#include "platform/namespace/ShellFolder.h"
#include "platform/remote/RemoteUri.h"

/// One network place.
struct NetworkPlace {
    /// Mount point or GVfs folder, absolute; kConnectPlacePath for the
    /// action; empty for a location GIO mounted without a local folder,
    /// which is browsed by its URI (a GioFolder).
    QByteArray path;
    QString name;  // as shown
    QByteArray fsType;
    QString uri;  // the GVfs location's root URI; empty for the system's mounts
};

/// The path of the first item, "Connect to Server": not a folder, but the
/// action that asks for a server's address (the program carries it out).
/// Held in a volume id, which takes absolute paths only; no mount point is
/// named so.
inline const QByteArray kConnectPlacePath = QByteArrayLiteral("/::ConnectToServer");
/// The parsing name of that item below the Network folder.
QString ConnectToServerParsingName();
/// The text of the Unmount entry of a GVfs place's menu, and its verb.
inline const QString kUnmountVerb = QStringLiteral("unmount");

/// The network places of a mount table and a GVfs folder (the folder is
/// listed only when it exists; an empty path lists none). A GVfs folder that
/// `remote` knows takes the mount's name and URI from it; a location of
/// `remote` without a local folder is a place of its own, by URI.
std::vector<NetworkPlace> NetworkPlaces(const VolumeTable& table, const QByteArray& gvfsDir,
                                        const RemoteMap& remote = {});
/// The name shown for a remote mount's source ("share on server", ...);
/// empty when the source says nothing useful.
QString RemoteSourceName(const QByteArray& source, const QByteArray& fsType);
/// The id of a place: a volume id holding its path, or for a location
/// without a local folder an ItemKind::RemoteLocation id holding its URI.
IdList NetworkPlaceId(const NetworkPlace& place);

class NetworkFolder : public ShellFolder {
public:
    /// Reads this process's mount table, GvfsFolder() and the mounts GIO
    /// reported (when RemoteMounts runs). The first item is the action
    /// "Connect to Server".
    explicit NetworkFolder(IdList absolute);
    /// A given table, GVfs folder and remote map (tests).
    NetworkFolder(IdList absolute, VolumeTable table, QByteArray gvfsDir, RemoteMap remote = {});

    std::unique_ptr<ShellFolder> BindToObject(const IdList& relative) override;
    std::unique_ptr<EnumIdList> EnumObjects(std::uint32_t flags) override;
    bool GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) override;
    std::optional<QString> GetDisplayNameOf(const IdList& item, std::uint32_t flags) override;
    /// The absolute path of a place or of something below it, or the URI
    /// of (something below) a location without a local folder.
    IdList ParseDisplayName(const QString& name) override;
    int CompareIDs(int column, const IdList& a, const IdList& b) override;
    std::optional<FindData> GetFindData(const IdList& item) override;
    std::unique_ptr<ShellDataObject> GetDataObject(std::span<const IdList> items) override;
    std::optional<QString> GetInfoTip(const IdList& item) override;
    int GetIconIndex(const IdList& item, bool open) override;
    IdList SetNameOf(const IdList& item, const QString& newName, std::uint32_t flags) override;
    /// Over places: MakePlaceContextMenu ("open", and "properties" for one
    /// place), and "unmount" for one GVfs place; below a place, that
    /// folder's own menu. Never the file menu: deleting or renaming a mount
    /// point is not offered.
    std::unique_ptr<ShellContextMenu> GetContextMenu(std::span<const IdList> items) override;

    const std::vector<NetworkPlace>& Places() { return m_places; }

private:
    const NetworkPlace* Find(std::span<const std::uint8_t> payload) const;
    IdList ParseRemoteUri(const QString& uri);

    IdList m_absolute;
    std::vector<NetworkPlace> m_places;
    bool m_live = false;  // read from the system: each listing reads it again
};
