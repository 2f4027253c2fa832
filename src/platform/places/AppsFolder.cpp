#include "platform/places/AppsFolder.h"

#include <dirent.h>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QSet>
#include <algorithm>
#include <cstring>

#include "platform/fs/FileSystem.h"
#include "platform/fs/XdgDirs.h"
#include "platform/namespace/BasicDataObject.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/NestedFolder.h"
#include "platform/namespace/ShellIdArray.h"
#include "platform/shellui/ContextMenu.h"

namespace {

const QString kSettingsParsing = QStringLiteral("::Settings");
const QString kStartMenuParsing = QStringLiteral("::StartMenu");

QString Tr(const char* text) {
    return QCoreApplication::translate("AppsFolder", text);
}

// The freedesktop menu's main categories, in the order they are
// looked for; "Audio" and "Video" go with "AudioVideo".
struct MainCategory {
    const char* key;
    const char* title;
    const char* icon;
};
const MainCategory kMainCategories[] = {
    {"AudioVideo", "Sound & Video", "applications-multimedia"},
    {"Development", "Development", "applications-development"},
    {"Education", "Education", "applications-education"},
    {"Game", "Games", "applications-games"},
    {"Graphics", "Graphics", "applications-graphics"},
    {"Network", "Internet", "applications-internet"},
    {"Office", "Office", "applications-office"},
    {"Science", "Science", "applications-science"},
    {"Settings", "Settings", "preferences-system"},
    {"System", "System", "applications-system"},
    {"Utility", "Accessories", "applications-accessories"},
};
const char* const kOtherCategory = "Other";

template <typename T>
struct GObjectDeleter {
    void operator()(T* p) const {
        if (p)
            g_object_unref(p);
    }
};

std::optional<AppEntry> LoadEntry(const QByteArray& id, const QByteArray& path) {
    std::unique_ptr<GDesktopAppInfo, GObjectDeleter<GDesktopAppInfo>> info(
        g_desktop_app_info_new_from_filename(path.constData()));
    if (!info)
        return std::nullopt;  // malformed, or its TryExec program is missing
    GAppInfo* app = G_APP_INFO(info.get());
    if (g_desktop_app_info_get_is_hidden(info.get()) || !g_app_info_should_show(app))
        return std::nullopt;
    AppEntry entry;
    entry.id = id;
    entry.path = path;
    entry.name = QString::fromUtf8(g_app_info_get_name(app));
    if (const char* comment = g_app_info_get_description(app))
        entry.comment = QString::fromUtf8(comment);
    if (const char* categories = g_desktop_app_info_get_categories(info.get())) {
        entry.categories =
            QString::fromUtf8(categories).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    }
    if (GIcon* icon = g_app_info_get_icon(app)) {
        if (G_IS_THEMED_ICON(icon)) {
            for (const gchar* const* n = g_themed_icon_get_names(G_THEMED_ICON(icon)); n && *n; ++n)
                entry.iconNames << QString::fromUtf8(*n);
        } else if (G_IS_FILE_ICON(icon)) {
            if (char* file = g_file_get_path(g_file_icon_get_file(G_FILE_ICON(icon)))) {
                entry.iconNames << NameFromBytes(QByteArray(file));
                g_free(file);
            }
        }
    }
    if (entry.name.isEmpty())
        entry.name = NameFromBytes(id);
    entry.settings = IsSettingsCategoryList(entry.categories);
    entry.mainCategory = MainCategoryOf(entry.categories);
    return entry;
}

// Walks one applications folder; ids are the paths below it with "/" made
// "-", as the freedesktop desktop-entry rules have them.
void ScanFolder(const QByteArray& root, const QByteArray& prefix, int depth,
                QSet<QByteArray>& claimed, std::vector<AppEntry>& out) {
    if (depth > 8)
        return;
    const QByteArray folder = prefix.isEmpty() ? root : root + "/" + prefix;
    const std::optional<std::vector<QByteArray>> names = DirectoryNames(folder);
    if (!names)
        return;
    for (const QByteArray& name : *names) {
        const QByteArray path = folder + "/" + name;
        const QByteArray relative = prefix.isEmpty() ? name : prefix + "/" + name;
        struct stat st;
        if (::stat(path.constData(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            ScanFolder(root, relative, depth + 1, claimed, out);
            continue;
        }
        if (!name.endsWith(".desktop") || !S_ISREG(st.st_mode))
            continue;
        QByteArray id = relative;
        id.replace('/', '-');
        if (claimed.contains(id))
            continue;
        claimed.insert(id);  // even a hidden or broken entry hides later ones
        if (auto entry = LoadEntry(id, path))
            out.push_back(std::move(*entry));
    }
}

std::optional<DesktopEntryItemData> ItemOf(const IdList& item) {
    if (item.Count() < 1)
        return std::nullopt;
    return DecodeDesktopEntryItem(item.ItemPayload(0));
}

const MainCategory* FindMainCategory(const QString& key) {
    for (const MainCategory& c : kMainCategories) {
        if (key == QLatin1String(c.key))
            return &c;
    }
    return nullptr;
}

}  // namespace

std::vector<AppEntry> ReadApplications() {
    std::vector<AppEntry> out;
    QSet<QByteArray> claimed;
    QList<QByteArray> roots{XdgDataHome()};
    roots += XdgDataDirs();
    QSet<QByteArray> seenRoots;
    for (const QByteArray& root : roots) {
        if (seenRoots.contains(root))
            continue;
        seenRoots.insert(root);
        ScanFolder(root + "/applications", {}, 0, claimed, out);
    }
    return out;
}

bool IsSettingsCategoryList(const QStringList& categories) {
    static const char* const kSettings[] = {
        "Settings",         "X-GNOME-Settings-Panel", "DesktopSettings",
        "HardwareSettings", "X-XFCE-SettingsDialog",  "X-KDE-SystemSettings",
        "X-LXQt-Settings",  "X-MATE-ControlCenter"};
    for (const QString& c : categories) {
        for (const char* s : kSettings) {
            if (c == QLatin1String(s))
                return true;
        }
    }
    return false;
}

QString MainCategoryOf(const QStringList& categories) {
    for (const MainCategory& main : kMainCategories) {
        for (const QString& c : categories) {
            const bool match = c == QLatin1String(main.key) ||
                               (std::strcmp(main.key, "AudioVideo") == 0 &&
                                (c == QLatin1String("Audio") || c == QLatin1String("Video")));
            if (match)
                return QString::fromLatin1(main.key);
        }
    }
    // Panels of a desktop's settings carry only that desktop's category.
    if (IsSettingsCategoryList(categories))
        return QStringLiteral("Settings");
    return QString::fromLatin1(kOtherCategory);
}

QString MainCategoryTitle(const QString& key) {
    if (const MainCategory* c = FindMainCategory(key))
        return Tr(c->title);
    return Tr("Other");
}

AppsFolder::AppsFolder(VirtualPlace place, IdList absolute, QString category)
    : m_place(place), m_absolute(std::move(absolute)), m_category(std::move(category)) {}

const std::vector<AppEntry>& AppsFolder::Entries() {
    if (!m_entries) {
        std::vector<AppEntry> all = ReadApplications();
        std::vector<AppEntry> mine;
        for (AppEntry& e : all) {
            if (Belongs(e))
                mine.push_back(std::move(e));
        }
        m_entries = std::move(mine);
    }
    return *m_entries;
}

bool AppsFolder::Belongs(const AppEntry& entry) const {
    if (m_place == VirtualPlace::Settings)
        return entry.settings;
    return m_category.isEmpty() || entry.mainCategory == m_category;
}

const AppEntry* AppsFolder::Find(const QByteArray& id) {
    for (const AppEntry& e : Entries()) {
        if (e.id == id)
            return &e;
    }
    return nullptr;
}

std::unique_ptr<ShellFolder> AppsFolder::BindToObject(const IdList& relative) {
    const auto data = ItemOf(relative);
    if (!data || !data->category || m_place != VirtualPlace::StartMenu || !m_category.isEmpty())
        return nullptr;
    auto folder = std::make_unique<AppsFolder>(m_place, m_absolute.Concat(relative.Prefix(1)),
                                               QString::fromUtf8(data->id));
    if (relative.Count() == 1)
        return folder;
    return folder->BindToObject(relative.Suffix(1));
}

std::unique_ptr<EnumIdList> AppsFolder::EnumObjects(std::uint32_t flags) {
    std::vector<IdList> ids;
    const bool grouped = m_place == VirtualPlace::StartMenu && m_category.isEmpty();
    if (grouped) {
        if (flags & SHCONTF_FOLDERS) {
            QSet<QString> used;
            for (const AppEntry& e : Entries()) used.insert(e.mainCategory);
            for (const MainCategory& c : kMainCategories) {
                if (used.contains(QLatin1String(c.key)))
                    ids.push_back(DesktopEntryItemId({m_place, true, QByteArray(c.key)}));
            }
            if (used.contains(QLatin1String(kOtherCategory)))
                ids.push_back(DesktopEntryItemId({m_place, true, QByteArray(kOtherCategory)}));
        }
    } else if (flags & SHCONTF_NONFOLDERS) {
        for (const AppEntry& e : Entries()) {
            IdList id = DesktopEntryItemId({m_place, false, e.id});
            if (!id.IsNull())
                ids.push_back(std::move(id));
        }
    }
    return std::make_unique<IdListEnum>(std::move(ids));
}

bool AppsFolder::GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) {
    return NestedAttributesOf(*this, items, inOut, [this](const IdList& item, std::uint32_t& bits) {
        const auto data = ItemOf(item);
        if (!data || data->place != m_place)
            return false;
        if (data->category) {
            if (m_place != VirtualPlace::StartMenu || !m_category.isEmpty())
                return false;
            bits = SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
            return true;
        }
        if (!Find(data->id))
            return false;
        bits = SFGAO_CANLINK;
        return true;
    });
}

std::optional<QString> AppsFolder::GetDisplayNameOf(const IdList& item, std::uint32_t flags) {
    if (item.IsNull())
        return std::nullopt;
    const bool parsing = flags & SHGDN_FORPARSING;
    if (item.IsEmpty()) {
        if (m_place == VirtualPlace::Settings)
            return parsing ? kSettingsParsing : Tr("Settings");
        if (m_category.isEmpty())
            return parsing ? kStartMenuParsing : Tr("Applications");
        return parsing ? kStartMenuParsing + QLatin1Char('/') + m_category
                       : MainCategoryTitle(m_category);
    }
    if (item.Count() > 1)
        return NestedDisplayNameOf(*this, item, flags);
    const auto data = ItemOf(item);
    if (!data)
        return std::nullopt;
    if (data->category) {
        const QString key = QString::fromUtf8(data->id);
        return parsing ? kStartMenuParsing + QLatin1Char('/') + key : MainCategoryTitle(key);
    }
    const AppEntry* entry = Find(data->id);
    if (!entry)
        return std::nullopt;
    return parsing ? NameFromBytes(entry->path) : entry->name;
}

IdList AppsFolder::ParseDisplayName(const QString& name) {
    if (m_place == VirtualPlace::StartMenu && m_category.isEmpty()) {
        QString key = name;
        if (key.startsWith(kStartMenuParsing + QLatin1Char('/')))
            key = key.mid(kStartMenuParsing.size() + 1);
        if (FindMainCategory(key) || key == QLatin1String(kOtherCategory)) {
            for (const AppEntry& e : Entries()) {
                if (e.mainCategory == key)
                    return DesktopEntryItemId({m_place, true, key.toUtf8()});
            }
            return {};
        }
    }
    const QByteArray bytes = NameToBytes(name);
    for (const AppEntry& e : Entries()) {
        if (e.id == bytes || e.path == bytes) {
            if (m_place == VirtualPlace::StartMenu && m_category.isEmpty()) {
                // Below the grouped root an application lies in its category.
                return DesktopEntryItemId({m_place, true, e.mainCategory.toUtf8()})
                    .Concat(DesktopEntryItemId({m_place, false, e.id}));
            }
            return DesktopEntryItemId({m_place, false, e.id});
        }
    }
    return {};
}

int AppsFolder::CompareIDs(int column, const IdList& a, const IdList& b) {
    if (a.Count() == 0 || b.Count() == 0)
        return Order(a.Count(), b.Count());
    const auto da = ItemOf(a);
    const auto db = ItemOf(b);
    if (!da || !db) {
        if (da || db)
            return da ? -1 : 1;
        return Order(a.ToByteArray().compare(b.ToByteArray()), 0);
    }
    int r = 0;
    if (da->category != db->category)
        r = da->category ? -1 : 1;
    if (!r && da->id != db->id) {
        const QString na = GetDisplayNameOf(a.Prefix(1), SHGDN_INFOLDER).value_or(QString());
        const QString nb = GetDisplayNameOf(b.Prefix(1), SHGDN_INFOLDER).value_or(QString());
        r = Order(na.compare(nb, Qt::CaseInsensitive), 0);
        if (!r)
            r = Order(da->id.compare(db->id), 0);
    }
    return r ? r : CompareBelowFirst(*this, column, a, b);
}

std::unique_ptr<ShellDataObject> AppsFolder::GetDataObject(std::span<const IdList> items) {
    if (items.empty())
        return nullptr;
    QStringList paths;
    for (const IdList& item : items) {
        const auto data = ItemOf(item);
        if (!data || item.Count() != 1)
            return nullptr;
        if (data->category)
            continue;
        const AppEntry* entry = Find(data->id);
        if (!entry)
            return nullptr;
        paths << NameFromBytes(entry->path);
    }
    auto object = std::make_unique<BasicDataObject>();
    object->SetData(ClipFormats::kShellIdList, EncodeShellIdArray(m_absolute, items));
    if (!paths.isEmpty())
        object->SetFilePaths(paths);
    return object;
}

std::optional<QString> AppsFolder::GetInfoTip(const IdList& item) {
    if (item.Count() > 1)
        return NestedInfoTip(*this, item);
    const auto data = ItemOf(item);
    if (!data || data->category)
        return std::nullopt;
    const AppEntry* entry = Find(data->id);
    if (!entry || entry->comment.isEmpty())
        return std::nullopt;
    return entry->comment;
}

int AppsFolder::GetIconIndex(const IdList& item, bool open) {
    IconRegistry& icons = IconRegistry::Instance();
    if (item.IsEmpty()) {
        if (m_place == VirtualPlace::Settings)
            return IconRegistry::SettingsIcon;
        if (const MainCategory* c = FindMainCategory(m_category))
            return icons.IndexForThemeIcon(QString::fromLatin1(c->icon), icons.FolderIndex(open));
        return m_category.isEmpty() ? IconRegistry::ApplicationsIcon : icons.FolderIndex(open);
    }
    if (item.Count() > 1)
        return NestedIconIndex(*this, item, open);
    const auto data = ItemOf(item);
    if (!data)
        return -1;
    if (data->category) {
        if (const MainCategory* c = FindMainCategory(QString::fromUtf8(data->id)))
            return icons.IndexForThemeIcon(QString::fromLatin1(c->icon), icons.FolderIndex(open));
        return icons.FolderIndex(open);
    }
    const AppEntry* entry = Find(data->id);
    if (!entry)
        return -1;
    for (const QString& name : entry->iconNames) {
        const int index = icons.IndexForIconValue(name, -1);
        if (index >= 0)
            return index;
    }
    return IconRegistry::ExeIcon;
}

std::unique_ptr<ShellContextMenu> AppsFolder::GetContextMenu(std::span<const IdList> items) {
    if (items.size() != 1)
        return nullptr;
    const IdList& item = items.front();
    if (IsNested(items))
        return NestedContextMenu(*this, items);
    const auto data = ItemOf(item);
    if (!data || data->category)
        return nullptr;
    const AppEntry* entry = Find(data->id);
    return entry ? MakeDesktopEntryContextMenu(entry->path) : nullptr;
}

std::optional<QByteArray> DesktopEntryFilePath(const IdList& relative) {
    if (relative.Count() != 1)
        return std::nullopt;
    const auto data = DecodeDesktopEntryItem(relative.ItemPayload(0));
    if (!data || data->category)
        return std::nullopt;
    for (const AppEntry& e : ReadApplications()) {
        if (e.id == data->id)
            return e.path;
    }
    return std::nullopt;
}
