#include "platform/desktop/LinuxShell.h"

#include <fcntl.h>
#include <glib.h>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QLocale>
#include <mutex>

#include "platform/fs/FileSystem.h"
#include "platform/fs/FileSystemFolder.h"
#include "platform/fs/UniqueFd.h"
#include "platform/fs/Volumes.h"
#include "platform/fs/XdgDirs.h"
#include "platform/namespace/BasicDataObject.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/ItemData.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/NestedFolder.h"
#include "platform/namespace/ShellIdArray.h"
#include "platform/places/AppsFolder.h"
#include "platform/places/NetworkFolder.h"
#include "platform/places/PrintersFolder.h"
#include "platform/remote/RemoteUri.h"
#include "platform/shellui/ContextMenu.h"
#include "platform/trash/TrashFolder.h"

namespace {

const QString kDesktopParsing = QStringLiteral("::Desktop");
const QString kComputerParsing = QStringLiteral("::Computer");
const QString kHomeParsing = QStringLiteral("::Home");
const QString kNetworkParsing = QStringLiteral("::Network");
const QString kTrashParsing = QStringLiteral("::Trash");
const QString kSettingsParsing = QStringLiteral("::Settings");
const QString kPrintersParsing = QStringLiteral("::Printers");
const QString kStartMenuParsing = QStringLiteral("::StartMenu");

constexpr std::uint32_t kDesktopAttributes = SFGAO_FOLDER | SFGAO_FILESYSTEM |
                                             SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER |
                                             SFGAO_DROPTARGET | SFGAO_HASPROPSHEET;
constexpr std::uint32_t kComputerAttributes =
    SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER | SFGAO_HASPROPSHEET | SFGAO_CANLINK;
constexpr std::uint32_t kHomeAttributes = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR |
                                          SFGAO_HASSUBFOLDER | SFGAO_DROPTARGET |
                                          SFGAO_HASPROPSHEET | SFGAO_CANLINK | SFGAO_CANCOPY;
// The other places are virtual: what they hold is not reached by path, or
// (Network) only below them.
constexpr std::uint32_t kNetworkAttributes =
    SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER | SFGAO_CANLINK;
constexpr std::uint32_t kTrashAttributes =
    SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_DROPTARGET | SFGAO_CANLINK;
constexpr std::uint32_t kSettingsAttributes = SFGAO_FOLDER | SFGAO_CANLINK;
constexpr std::uint32_t kPrintersAttributes = SFGAO_FOLDER | SFGAO_CANLINK;
constexpr std::uint32_t kStartMenuAttributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_CANLINK;
constexpr std::uint32_t kVolumeAttributes = SFGAO_FOLDER | SFGAO_FILESYSTEM |
                                            SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER |
                                            SFGAO_DROPTARGET | SFGAO_HASPROPSHEET | SFGAO_CANLINK;

bool IsDirectory(const QString& path) {
    struct stat st;
    return !path.isEmpty() && ::stat(NameToBytes(path).constData(), &st) == 0 &&
           S_ISDIR(st.st_mode);
}

int ComparePayloads(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    const int r =
        QByteArray::fromRawData(reinterpret_cast<const char*>(a.data()), a.size())
            .compare(QByteArray::fromRawData(reinterpret_cast<const char*>(b.data()), b.size()));
    return Order(r, 0);
}

// The Icon value of a desktop entry file; empty when it has none or is no
// small, readable key file.
QString LauncherIconValue(const QByteArray& path) {
    constexpr off_t kMaxLauncherSize = 256 * 1024;
    struct stat st;
    if (::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxLauncherSize)
        return {};
    GKeyFile* file = g_key_file_new();
    QString value;
    if (g_key_file_load_from_file(file, path.constData(), G_KEY_FILE_NONE, nullptr)) {
        if (gchar* icon = g_key_file_get_string(file, G_KEY_FILE_DESKTOP_GROUP,
                                                G_KEY_FILE_DESKTOP_KEY_ICON, nullptr)) {
            value = QString::fromUtf8(icon).trimmed();
            g_free(icon);
        }
    }
    g_key_file_free(file);
    return value;
}

// Lexical clean-up of a typed absolute path: "." and empty components go,
// ".." takes the previous component away (never above "/").
QByteArray NormalisedAbsolute(const QByteArray& path) {
    QList<QByteArray> parts;
    for (const QByteArray& c : path.split('/')) {
        if (c.isEmpty() || c == ".")
            continue;
        if (c == "..") {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts << c;
    }
    return '/' + parts.join('/');
}

}  // namespace

// What the folders of one namespace share: its options and the mount table,
// re-read only when the kernel says it changed.
class LinuxShellState {
public:
    explicit LinuxShellState(LinuxShellNamespace::Options options) : m_options(std::move(options)) {
        if (m_options.mountInfoPath.startsWith(QLatin1String("/proc/"))) {
            m_fd.reset(
                ::open(NameToBytes(m_options.mountInfoPath).constData(), O_RDONLY | O_CLOEXEC));
        }
    }

    VolumeTable Volumes() {
        std::lock_guard lock(m_mutex);
        bool stale = !m_table || !m_fd;
        if (!stale) {
            // The kernel flags a mount table that changed since the last poll.
            struct pollfd p = {m_fd.get(), POLLPRI, 0};
            stale = ::poll(&p, 1, 0) > 0 && (p.revents & (POLLERR | POLLPRI));
        }
        if (stale)
            m_table = VolumeTable::Read(m_options.mountInfoPath, m_options.fstabPath);
        return *m_table;
    }

private:
    LinuxShellNamespace::Options m_options;
    std::mutex m_mutex;
    UniqueFd m_fd;  // the mount table, polled for changes
    std::optional<VolumeTable> m_table;
};

namespace {

using State = std::shared_ptr<LinuxShellState>;

IdList ComputerId() {
    return VirtualItemId(VirtualPlace::Computer, "Computer");
}
IdList HomeId() {
    return VirtualItemId(VirtualPlace::Home, "Home");
}
IdList PlaceId(VirtualPlace place) {
    switch (place) {
        case VirtualPlace::Computer:
            return ComputerId();
        case VirtualPlace::Home:
            return HomeId();
        case VirtualPlace::Network:
            return VirtualItemId(place, "Network");
        case VirtualPlace::Trash:
            return VirtualItemId(place, "Trash");
        case VirtualPlace::Settings:
            return VirtualItemId(place, "Settings");
        case VirtualPlace::Printers:
            return VirtualItemId(place, "Printers");
        case VirtualPlace::StartMenu:
            return VirtualItemId(place, "StartMenu");
    }
    return {};
}

// The folder of a virtual place other than Computer and Home.
std::unique_ptr<ShellFolder> VirtualPlaceFolder(VirtualPlace place) {
    switch (place) {
        case VirtualPlace::Network:
            return std::make_unique<NetworkFolder>(PlaceId(place));
        case VirtualPlace::Trash:
            return std::make_unique<TrashFolder>(PlaceId(place));
        case VirtualPlace::Settings:
        case VirtualPlace::StartMenu:
            return std::make_unique<AppsFolder>(place, PlaceId(place));
        case VirtualPlace::Printers:
            return std::make_unique<PrintersFolder>(PlaceId(place));
        default:
            return nullptr;
    }
}

struct PlaceText {
    VirtualPlace place;
    const QString* parsing;
    const char* name;
    const char* tip;
    std::uint32_t attributes;
};

const PlaceText* TextOfPlace(VirtualPlace place) {
    static const PlaceText kTexts[] = {
        {VirtualPlace::Network, &kNetworkParsing, "Network",
         "Remote folders mounted on this computer", kNetworkAttributes},
        {VirtualPlace::Trash, &kTrashParsing, "Trash", "Items moved to the trash",
         kTrashAttributes},
        {VirtualPlace::Settings, &kSettingsParsing, "Settings",
         "The desktop's settings applications", kSettingsAttributes},
        {VirtualPlace::Printers, &kPrintersParsing, "Printers", "The printers of this computer",
         kPrintersAttributes},
        {VirtualPlace::StartMenu, &kStartMenuParsing, "Applications",
         "The applications installed for this desktop", kStartMenuAttributes},
    };
    for (const PlaceText& t : kTexts) {
        if (t.place == place)
            return &t;
    }
    return nullptr;
}

class ComputerFolder : public ShellFolder {
public:
    ComputerFolder(State state, IdList absolute)
        : m_state(std::move(state)), m_absolute(std::move(absolute)) {}

    // Volume ids with the path below the volume; "/" at worst.
    IdList ParseAbsolute(const QByteArray& rawPath) {
        const QByteArray path = NormalisedAbsolute(rawPath);
        const VolumeTable table = m_state->Volumes();
        const QByteArray root = table.VolumeRootOf(path);
        IdList id = VolumeItemId(root);
        QByteArray rest = path.mid(root.size());
        while (rest.startsWith('/')) rest.remove(0, 1);
        if (rest.isEmpty())
            return id;
        FileSystemFolder volume(NameFromBytes(root), IdList::Empty());
        const IdList below = volume.ParseDisplayName(NameFromBytes(rest));
        return below.IsNull() ? IdList() : id.Concat(below);
    }

    std::unique_ptr<ShellFolder> BindToObject(const IdList& relative) override {
        if (relative.Count() == 0)
            return nullptr;
        const auto volume = Volume(relative.ItemPayload(0));
        if (!volume)
            return nullptr;
        const std::uint32_t extra =
            m_table.IsRemovable(*volume) ? std::uint32_t(SFGAO_REMOVABLE) : 0u;
        auto folder = std::make_unique<FileSystemFolder>(
            NameFromBytes(volume->mountPoint), m_absolute.Concat(relative.Prefix(1)), extra);
        if (relative.Count() == 1)
            return folder;
        return folder->BindToObject(relative.Suffix(1));
    }

    std::unique_ptr<EnumIdList> EnumObjects(std::uint32_t flags) override {
        std::vector<IdList> ids;
        if (flags & SHCONTF_FOLDERS) {
            for (const MountEntry& m : m_state->Volumes().UserVisible()) {
                ids.push_back(VolumeItemId(m.mountPoint));
            }
        }
        return std::make_unique<IdListEnum>(std::move(ids));
    }

    bool GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) override {
        return NestedAttributesOf(*this, items, inOut,
                                  [this](const IdList& item, std::uint32_t& bits) {
                                      const auto volume = Volume(item.ItemPayload(0));
                                      if (!volume)
                                          return false;
                                      bits = kVolumeAttributes;
                                      if (m_table.IsRemovable(*volume))
                                          bits |= SFGAO_REMOVABLE;
                                      if (volume->IsReadOnly())
                                          bits |= SFGAO_READONLY;
                                      return true;
                                  });
    }

    std::optional<QString> GetDisplayNameOf(const IdList& item, std::uint32_t flags) override {
        if (item.IsNull())
            return std::nullopt;
        if (item.IsEmpty()) {
            return (flags & SHGDN_FORPARSING) ? kComputerParsing : QStringLiteral("Computer");
        }
        if (item.Count() > 1) {
            return NestedDisplayNameOf(*this, item, flags);
        }
        const auto data = DecodeVolumeItem(item.ItemPayload(0));
        if (!data)
            return std::nullopt;
        if (flags & SHGDN_FORPARSING)
            return NameFromBytes(data->mountPoint);
        const auto volume = Volume(item.ItemPayload(0));
        if (volume)
            return m_table.DisplayNameOf(*volume);
        // Unmounted since: name it by its mount point's last component.
        const qsizetype slash = data->mountPoint.lastIndexOf('/');
        return DisplayFromName(NameFromBytes(data->mountPoint.mid(slash + 1)));
    }

    IdList ParseDisplayName(const QString& name) override {
        const QByteArray path = NameToBytes(name);
        if (!path.startsWith('/'))
            return {};
        return ParseAbsolute(path);
    }

    int CompareIDs(int column, const IdList& a, const IdList& b) override {
        if (a.Count() == 0 || b.Count() == 0)
            return Order(a.Count(), b.Count());
        const auto va = DecodeVolumeItem(a.ItemPayload(0));
        const auto vb = DecodeVolumeItem(b.ItemPayload(0));
        int r = 0;
        if (va && vb && va->mountPoint != vb->mountPoint) {
            // The order of the table: "/" first, then mount order.
            const auto volumes = m_state->Volumes().UserVisible();
            auto rank = [&](const QByteArray& mp) {
                for (std::size_t i = 0; i < volumes.size(); ++i) {
                    if (volumes[i].mountPoint == mp)
                        return int(i);
                }
                return int(volumes.size());
            };
            r = Order(rank(va->mountPoint), rank(vb->mountPoint));
            if (!r)
                r = Order(va->mountPoint.compare(vb->mountPoint), 0);
        } else if (!va || !vb) {
            r = ComparePayloads(a.ItemPayload(0), b.ItemPayload(0));
        }
        return r ? r : CompareBelowFirst(*this, column, a, b);
    }

    std::optional<FindData> GetFindData(const IdList& item) override {
        if (item.Count() > 1) {
            return NestedFindData(*this, item);
        }
        const auto data = DecodeVolumeItem(item.ItemPayload(0));
        return data ? StatEntry(data->mountPoint) : std::nullopt;
    }

    std::unique_ptr<ShellDataObject> GetDataObject(std::span<const IdList> items) override {
        return ParsedPathsDataObject(*this, m_absolute, items);
    }

    std::optional<QString> GetInfoTip(const IdList& item) override {
        if (item.Count() > 1) {
            return NestedInfoTip(*this, item);
        }
        const auto volume = Volume(item.ItemPayload(0));
        if (!volume)
            return std::nullopt;
        const QLocale locale = QLocale::system();
        QStringList lines;
        if (const auto free = FreeSpace(volume->mountPoint)) {
            lines << QStringLiteral("Free space: %1").arg(locale.formattedDataSize(qint64(*free)));
        }
        if (const auto total = TotalSpace(volume->mountPoint)) {
            lines << QStringLiteral("Total size: %1").arg(locale.formattedDataSize(qint64(*total)));
        }
        if (!volume->fsType.isEmpty()) {
            lines << QStringLiteral("File system: %1").arg(QString::fromUtf8(volume->fsType));
        }
        lines << QStringLiteral("Mount point: %1")
                     .arg(DisplayFromName(NameFromBytes(volume->mountPoint)));
        return lines.join(QLatin1Char('\n'));
    }

    int GetIconIndex(const IdList& item, bool open) override {
        if (item.IsEmpty())
            return IconRegistry::ComputerIcon;
        if (item.Count() > 1) {
            return NestedIconIndex(*this, item, open);
        }
        const auto volume = Volume(item.ItemPayload(0));
        if (!volume)
            return -1;
        switch (m_table.DriveTypeOfMount(*volume)) {
            case DRIVE_REMOTE:
                return IconRegistry::RemoteDriveIcon;
            case DRIVE_CDROM:
                return IconRegistry::OpticalDriveIcon;
            case DRIVE_REMOVABLE:
                return IconRegistry::RemovableDriveIcon;
            default:
                return IconRegistry::DriveIcon;
        }
    }

    IdList SetNameOf(const IdList& item, const QString& newName, std::uint32_t flags) override {
        if (item.Count() < 2)
            return {};  // Relabelling volumes is not offered.
        return NestedSetNameOf(*this, item, newName, flags);
    }

    /// Volumes are opened by the program; one volume also shows the
    /// properties of its top folder. Never the file menu: deleting or
    /// renaming a mount point from here is not something to offer.
    std::unique_ptr<ShellContextMenu> GetContextMenu(std::span<const IdList> items) override {
        return PlacesContextMenu(*this, items, [this](const IdList& item) {
            const auto volume = Volume(item.ItemPayload(0));
            return volume ? std::optional(volume->mountPoint) : std::nullopt;
        });
    }

private:
    // The visible volume a payload names (the table is kept for the
    // questions that follow).
    std::optional<MountEntry> Volume(std::span<const std::uint8_t> payload) {
        const auto data = DecodeVolumeItem(payload);
        if (!data)
            return std::nullopt;
        m_table = m_state->Volumes();
        return m_table.VisibleVolumeAt(data->mountPoint);
    }

    State m_state;
    IdList m_absolute;
    VolumeTable m_table;
};

class DesktopFolder : public ShellFolder {
public:
    explicit DesktopFolder(State state) : m_state(std::move(state)) {}

    std::unique_ptr<ShellFolder> BindToObject(const IdList& relative) override {
        if (relative.Count() == 0)
            return nullptr;
        std::unique_ptr<ShellFolder> first;
        const auto payload = relative.ItemPayload(0);
        if (const auto place = DecodeVirtualItem(payload)) {
            if (place->place == VirtualPlace::Computer) {
                first = std::make_unique<ComputerFolder>(m_state, ComputerId());
            } else if (place->place == VirtualPlace::Home) {
                first = std::make_unique<FileSystemFolder>(HomeDirectory(), HomeId());
            } else {
                first = VirtualPlaceFolder(place->place);
            }
        } else {
            first = Files().BindToObject(relative.Prefix(1));
        }
        if (!first || relative.Count() == 1)
            return first;
        return first->BindToObject(relative.Suffix(1));
    }

    std::unique_ptr<EnumIdList> EnumObjects(std::uint32_t flags) override {
        class DesktopEnum : public EnumIdList {
        public:
            DesktopEnum(std::vector<IdList> places, std::unique_ptr<EnumIdList> files)
                : m_places(std::move(places)), m_files(std::move(files)) {}
            Result Next(IdList& item) override {
                if (m_next < m_places.size()) {
                    item = m_places[m_next++];
                    return Result::Item;
                }
                return m_files ? m_files->Next(item) : Result::End;
            }

        private:
            std::vector<IdList> m_places;
            std::size_t m_next = 0;
            std::unique_ptr<EnumIdList> m_files;
        };
        std::vector<IdList> places;
        if (flags & SHCONTF_FOLDERS) {
            for (VirtualPlace place :
                 {VirtualPlace::Computer, VirtualPlace::Home, VirtualPlace::Network,
                  VirtualPlace::Trash, VirtualPlace::Settings, VirtualPlace::Printers}) {
                places.push_back(PlaceId(place));
            }
        }
        // A missing desktop directory leaves the places alone: not an error.
        return std::make_unique<DesktopEnum>(std::move(places), Files().EnumObjects(flags));
    }

    bool GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) override {
        return NestedAttributesOf(
            *this, items, inOut, [this](const IdList& item, std::uint32_t& bits) {
                const auto place = DecodeVirtualItem(item.ItemPayload(0));
                if (!place)
                    return Files().GetAttributesOf(std::span(&item, 1), bits);
                if (place->place == VirtualPlace::Computer) {
                    bits = kComputerAttributes;
                } else if (place->place == VirtualPlace::Home) {
                    bits = kHomeAttributes;
                } else if (const PlaceText* text = TextOfPlace(place->place)) {
                    bits = text->attributes;
                } else {
                    return false;
                }
                return true;
            });
    }

    std::optional<QString> GetDisplayNameOf(const IdList& item, std::uint32_t flags) override {
        if (item.IsNull())
            return std::nullopt;
        const bool parsing = flags & SHGDN_FORPARSING;
        const bool inFolder = flags & SHGDN_INFOLDER;
        if (item.IsEmpty()) {
            if (parsing)
                return inFolder ? kDesktopParsing : DesktopDirectory();
            return QStringLiteral("Desktop");
        }
        if (item.Count() > 1) {
            return NestedDisplayNameOf(*this, item, flags);
        }
        if (const auto place = DecodeVirtualItem(item.ItemPayload(0))) {
            if (place->place == VirtualPlace::Computer) {
                return parsing ? kComputerParsing : QStringLiteral("Computer");
            }
            if (place->place == VirtualPlace::Home) {
                if (parsing)
                    return inFolder ? kHomeParsing : HomeDirectory();
                return QStringLiteral("Home");
            }
            if (const PlaceText* text = TextOfPlace(place->place))
                return parsing ? *text->parsing : QString::fromLatin1(text->name);
            return std::nullopt;
        }
        return Files().GetDisplayNameOf(item, flags);
    }

    IdList ParseDisplayName(const QString& name) override {
        if (name == kDesktopParsing)
            return IdList::Empty();
        if (name == kComputerParsing)
            return ComputerId();
        if (name == kHomeParsing)
            return HomeId();
        for (VirtualPlace place :
             {VirtualPlace::Network, VirtualPlace::Trash, VirtualPlace::Settings,
              VirtualPlace::Printers, VirtualPlace::StartMenu}) {
            const QString& parsing = *TextOfPlace(place)->parsing;
            if (name == parsing)
                return PlaceId(place);
            if (name.startsWith(parsing + QLatin1Char('/'))) {
                // "::Printers/<name>", "::StartMenu/<category>": asked of the place.
                auto folder = VirtualPlaceFolder(place);
                const IdList below = folder ? folder->ParseDisplayName(name) : IdList();
                return below.IsNull() ? IdList() : PlaceId(place).Concat(below);
            }
        }
        if (IsRemoteUri(name)) {
            // A location mounted without a local folder lies in the Network
            // folder, by its URI.
            auto network = VirtualPlaceFolder(VirtualPlace::Network);
            const IdList below = network ? network->ParseDisplayName(name) : IdList();
            return below.IsNull() ? IdList() : PlaceId(VirtualPlace::Network).Concat(below);
        }
        const QByteArray path = NameToBytes(name);
        if (!path.startsWith('/'))
            return {};  // Relative texts are the caller's to resolve.
        ComputerFolder computer(m_state, ComputerId());
        const IdList below = computer.ParseAbsolute(path);
        return below.IsNull() ? IdList() : ComputerId().Concat(below);
    }

    int CompareIDs(int column, const IdList& a, const IdList& b) override {
        if (a.Count() == 0 || b.Count() == 0)
            return Order(a.Count(), b.Count());
        const auto pa = DecodeVirtualItem(a.ItemPayload(0));
        const auto pb = DecodeVirtualItem(b.ItemPayload(0));
        int r;
        if (pa && pb) {
            r = Order(int(pa->place), int(pb->place));
        } else if (pa || pb) {
            r = pa ? -1 : 1;  // The places come before the desktop's files.
        } else {
            r = Files().CompareIDs(column, a.Prefix(1), b.Prefix(1));
        }
        return r ? r : CompareBelowFirst(*this, column, a, b);
    }

    std::optional<FindData> GetFindData(const IdList& item) override {
        if (item.Count() > 1) {
            return NestedFindData(*this, item);
        }
        if (const auto place = DecodeVirtualItem(item.ItemPayload(0))) {
            if (place->place == VirtualPlace::Home)
                return StatEntry(HomeDirectory());
            return std::nullopt;
        }
        return Files().GetFindData(item);
    }

    std::unique_ptr<ShellDataObject> GetDataObject(std::span<const IdList> items) override {
        if (items.empty())
            return nullptr;
        QStringList paths;
        for (const IdList& item : items) {
            std::uint32_t bits = SFGAO_FILESYSTEM;
            if (!GetAttributesOf(std::span(&item, 1), bits))
                return nullptr;
            if (!(bits & SFGAO_FILESYSTEM))
                continue;
            if (auto path = GetDisplayNameOf(item, SHGDN_FORPARSING))
                paths << *path;
        }
        auto object = std::make_unique<BasicDataObject>();
        object->SetData(ClipFormats::kShellIdList, EncodeShellIdArray(IdList::Empty(), items));
        if (!paths.isEmpty())
            object->SetFilePaths(paths);
        return object;
    }

    std::optional<QString> GetInfoTip(const IdList& item) override {
        if (item.Count() > 1) {
            return NestedInfoTip(*this, item);
        }
        if (const auto place = DecodeVirtualItem(item.ItemPayload(0))) {
            if (place->place == VirtualPlace::Computer) {
                return QStringLiteral("The volumes mounted on this computer");
            }
            if (place->place == VirtualPlace::Home) {
                return QStringLiteral("Your home folder: %1").arg(DisplayFromName(HomeDirectory()));
            }
            if (const PlaceText* text = TextOfPlace(place->place))
                return QString::fromLatin1(text->tip);
            return std::nullopt;
        }
        return Files().GetInfoTip(item);
    }

    int GetIconIndex(const IdList& item, bool open) override {
        if (item.IsEmpty())
            return IconRegistry::DesktopIcon;
        if (item.Count() > 1) {
            return NestedIconIndex(*this, item, open);
        }
        if (const auto place = DecodeVirtualItem(item.ItemPayload(0))) {
            if (place->place == VirtualPlace::Computer)
                return IconRegistry::ComputerIcon;
            if (place->place == VirtualPlace::Home)
                return IconRegistry::HomeIcon;
            auto folder = VirtualPlaceFolder(place->place);
            return folder ? folder->GetIconIndex(IdList::Empty(), open) : -1;
        }
        const int index = Files().GetIconIndex(item, open);
        // A launcher on the desktop shows its application's icon.
        if (const auto data = DecodeFileSystemItem(item.ItemPayload(0));
            data && S_ISREG(data->mode) && data->name.endsWith(".desktop")) {
            const QString icon = LauncherIconValue(JoinPathBytes(Files().PathBytes(), data->name));
            if (!icon.isEmpty())
                return IconRegistry::Instance().IndexForIconValue(icon, index);
        }
        return index;
    }

    IdList SetNameOf(const IdList& item, const QString& newName, std::uint32_t flags) override {
        if (item.Count() > 1)
            return NestedSetNameOf(*this, item, newName, flags);
        if (DecodeVirtualItem(item.ItemPayload(0)))
            return {};
        return Files().SetNameOf(item, newName, flags);
    }

    std::unique_ptr<ShellDropTarget> GetDropTarget(std::span<const IdList> items) override {
        if (items.empty())
            return Files().GetDropTarget(items);
        if (items.size() != 1)
            return nullptr;
        const IdList& item = items.front();
        if (item.Count() == 1) {
            if (const auto place = DecodeVirtualItem(item.ItemPayload(0))) {
                // A place takes drops as its folder does (the trash trashes).
                auto folder = BindToObject(item);
                return folder ? folder->GetDropTarget({}) : nullptr;
            }
            return Files().GetDropTarget(items);
        }
        return AskHolderOf(*this, item, [](ShellFolder* parent, const IdList& last) {
            return parent ? parent->GetDropTarget(std::span(&last, 1)) : nullptr;
        });
    }

    // The desktop's files have the menu of their folder. The places are
    // opened by the program; Home also shows its folder's properties. Not
    // the file menu for Home: cutting, deleting or renaming the home folder
    // from here is not something to offer.
    std::unique_ptr<ShellContextMenu> GetContextMenu(std::span<const IdList> items) override {
        if (items.empty())
            return nullptr;
        if (IsNested(items))
            return NestedContextMenu(*this, items);
        bool onlyHome = true;
        bool anyPlace = false;
        for (const IdList& item : items) {
            if (item.Count() != 1)
                return nullptr;
            if (const auto place = DecodeVirtualItem(item.ItemPayload(0))) {
                anyPlace = true;
                onlyHome = onlyHome && place->place == VirtualPlace::Home;
            }
        }
        if (!anyPlace)
            return Files().GetContextMenu(items);
        QList<QByteArray> properties;
        if (onlyHome && items.size() == 1)
            properties << NameToBytes(HomeDirectory());
        return MakePlaceContextMenu(properties);
    }

    /// The desktop directory's background menu ("Shell new" there).
    std::unique_ptr<ShellContextMenu> GetBackgroundMenu() override {
        return Files().GetBackgroundMenu();
    }

private:
    // The desktop directory's own entries, looked up when first needed: most
    // uses of the Desktop only pass through it to Computer.
    FileSystemFolder& Files() {
        if (!m_files)
            m_files.emplace(DesktopDirectory(), IdList::Empty());
        return *m_files;
    }

    State m_state;
    std::optional<FileSystemFolder> m_files;
};

}  // namespace

LinuxShellNamespace::LinuxShellNamespace() : LinuxShellNamespace(Options()) {}

LinuxShellNamespace::LinuxShellNamespace(Options options)
    : m_options(options), m_state(std::make_shared<LinuxShellState>(std::move(options))) {}

LinuxShellNamespace::~LinuxShellNamespace() = default;

std::unique_ptr<ShellFolder> LinuxShellNamespace::DesktopFolder() {
    return std::make_unique<::DesktopFolder>(m_state);
}

IdList LinuxShellNamespace::SpecialFolderLocation(int csidl) {
    const QString home = HomeDirectory();
    QString path;
    switch (csidl) {
        case CSIDL_DESKTOP:
            return IdList::Empty();
        case CSIDL_DRIVES:
            return ComputerId();
        case CSIDL_DESKTOPDIRECTORY:
            path = DesktopDirectory();
            break;
        case CSIDL_PROFILE:
            path = home;
            break;
        case CSIDL_PERSONAL:
            path = NameFromBytes(XdgUserDir("DOCUMENTS", "Documents"));
            break;
        case CSIDL_TEMPLATES:
            path = NameFromBytes(XdgUserDir("TEMPLATES", "Templates"));
            break;
        case CSIDL_STARTUP: {
            // The autostart folder is where the desktop looks whether or not
            // anything was put there yet, so it is made on first use.
            const QByteArray autostart = XdgConfigHome() + "/autostart";
            if (!MakePathBytes(autostart, 0777))
                return {};
            path = NameFromBytes(autostart);
            break;
        }
        case CSIDL_NETWORK:
        case CSIDL_NETHOOD:
            return PlaceId(VirtualPlace::Network);
        case CSIDL_BITBUCKET:
            return PlaceId(VirtualPlace::Trash);
        case CSIDL_CONTROLS:
            return PlaceId(VirtualPlace::Settings);
        case CSIDL_PRINTERS:
            return PlaceId(VirtualPlace::Printers);
        case CSIDL_STARTMENU:
        case CSIDL_PROGRAMS:
            return PlaceId(VirtualPlace::StartMenu);
        default:
            return {};
    }
    // A user directory set to the home folder itself is switched off.
    if ((csidl == CSIDL_PERSONAL || csidl == CSIDL_TEMPLATES) &&
        XdgUserDirSwitchedOff(NameToBytes(path)))
        return {};
    if (!IsDirectory(path))
        return {};
    return DesktopFolder()->ParseDisplayName(path);
}

std::uint32_t LinuxShellNamespace::DesktopAttributes() {
    return kDesktopAttributes;
}
