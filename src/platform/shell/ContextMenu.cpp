#include "platform/shell/ContextMenu.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QMimeDatabase>
#include <cerrno>
#include <cstring>

#include "platform/shell/ClipFormats.h"
#include "platform/shell/FileSystem.h"
#include "platform/shell/NameCodec.h"
#include "platform/shell/PropertiesDialog.h"
#include "platform/shell/ShellLaunch.h"
#include "platform/shell/Templates.h"

namespace {

struct VerbText {
    const char* verb;
    const char* text;
    const char* help;
};

// The texts of the standard verbs, kept once here.
constexpr VerbText kVerbTexts[] = {
    {"open", "&Open", "Opens the selected item"},
    {"openwith", "Open &with", "Opens the selected item with another application"},
    {"cut", "Cu&t", "Cuts the selected item to the clipboard, to move it elsewhere"},
    {"copy", "&Copy", "Copies the selected item to the clipboard"},
    {"paste", "&Paste", "Pastes the clipboard's items into this folder"},
    {"link", "Create &link", "Makes a symbolic link to the selected item in its folder"},
    {"delete", "&Delete", "Deletes the selected item"},
    {"rename", "Rena&me", "Renames the selected item"},
    {"properties", "P&roperties", "Shows the properties of the selected item"},
    {"restore", "&Restore", "Puts the selected item back where it was deleted from"},
};

const QString kShellNewText = QStringLiteral("S&hell new");
const QString kShellNewHelp = QStringLiteral("Creates a new document from one of your templates");
const QString kNoTemplatesText = QStringLiteral("(No templates)");

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString Shown(const QByteArray& bytes) {
    return DisplayFromName(NameFromBytes(bytes));
}

QByteArray LastComponent(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray FolderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

// A menu text shows "&" as a mnemonic: names must double theirs.
QString EscapeMnemonic(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

bool IsFolderLike(const QByteArray& path) {
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

QString ContentTypeOfPath(const QByteArray& path) {
    static const QMimeDatabase mimes;
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return QStringLiteral("application/octet-stream");
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("inode/directory");
    QByteArray head;
    if (S_ISREG(st.st_mode)) {
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0) {
            head.resize(4096);
            const ssize_t got = ::read(fd, head.data(), head.size());
            head.resize(got > 0 ? got : 0);
            ::close(fd);
        }
    }
    return mimes.mimeTypeForFileNameAndData(NameFromBytes(LastComponent(path)), head).name();
}

namespace {

using AppPtr = std::shared_ptr<GAppInfo>;

AppPtr Adopt(GAppInfo* app) {
    return AppPtr(app, [](GAppInfo* p) {
        if (p)
            g_object_unref(p);
    });
}

QByteArray AppId(GAppInfo* app) {
    const char* id = g_app_info_get_id(app);
    return id ? QByteArray(id) : QByteArray(g_app_info_get_executable(app));
}

bool HandlesType(GAppInfo* app, const char* type) {
    const char** supported = g_app_info_get_supported_types(app);
    for (; supported && *supported; ++supported) {
        if (g_content_type_is_a(type, *supported))
            return true;
    }
    return false;
}

// GIO's associations come from the applications folders' mimeinfo.cache;
// where no cache was built (no update-desktop-database run since an
// application was installed) the entries' own MimeType lines still count.
std::vector<AppPtr> AppsForType(const QString& type) {
    const QByteArray name = type.toUtf8();
    std::vector<AppPtr> apps;
    QList<QByteArray> ids;
    auto add = [&](GAppInfo* app) {
        if (!g_app_info_should_show(app))
            return;
        const QByteArray id = AppId(app);
        if (ids.contains(id))
            return;
        ids << id;
        apps.push_back(Adopt(G_APP_INFO(g_object_ref(app))));
    };
    GList* list = g_app_info_get_all_for_type(name.constData());
    for (GList* l = list; l; l = l->next) add(G_APP_INFO(l->data));
    g_list_free_full(list, g_object_unref);
    GList* all = g_app_info_get_all();
    for (GList* l = all; l; l = l->next) {
        if (HandlesType(G_APP_INFO(l->data), name.constData()))
            add(G_APP_INFO(l->data));
    }
    g_list_free_full(all, g_object_unref);
    return apps;
}

QIcon AppIcon(GAppInfo* app) {
    GIcon* icon = g_app_info_get_icon(app);
    if (!icon)
        return {};
    char* text = g_icon_to_string(icon);
    if (!text)
        return {};
    const QString name = QString::fromUtf8(text);
    g_free(text);
    if (name.startsWith(QLatin1Char('/')))
        return QIcon(name);
    return QIcon::fromTheme(name);
}

bool LaunchAppWithPaths(GAppInfo* app, const QList<QByteArray>& paths, QString* errorText) {
    GList* files = nullptr;
    for (const QByteArray& path : paths)
        files = g_list_append(files, g_file_new_for_path(path.constData()));
    GError* error = nullptr;
    const bool ok = g_app_info_launch(app, files, nullptr, &error);
    g_list_free_full(files, g_object_unref);
    if (!ok && errorText) {
        *errorText = QStringLiteral("%1 could not be started: %2")
                         .arg(QString::fromUtf8(g_app_info_get_name(app)),
                              error ? QString::fromUtf8(error->message) : QString());
    }
    if (error)
        g_error_free(error);
    return ok;
}

bool ClipboardHasItems() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data)
        return false;
    for (const QString& format : {ClipFormats::kShellIdList, ClipFormats::kUriList,
                                  ClipFormats::kGnomeCopiedFiles, ClipFormats::kMateCopiedFiles}) {
        if (data->hasFormat(format))
            return true;
    }
    return false;
}

bool LaunchEach(const QList<QByteArray>& paths, const InvokeContext& context) {
    for (const QByteArray& path : paths) {
        if (!ShellLaunchPath(path)) {
            if (context.errorText) {
                *context.errorText =
                    QStringLiteral("\"%1\" could not be opened").arg(Shown(LastComponent(path)));
            }
            return false;
        }
    }
    return true;
}

MenuVerb PropertiesVerb(QList<QByteArray> paths) {
    return StandardVerb(QStringLiteral("properties"),
                        [paths = std::move(paths)](const InvokeContext& context) {
                            return ShowPropertiesDialog(paths, context.parent);
                        });
}

MenuVerb TemplateVerb(const TemplateEntry& entry, const QByteArray& folder) {
    MenuVerb verb;
    verb.text = EscapeMnemonic(entry.displayName);
    if (entry.folder) {
        verb.verb = QStringLiteral("shellnew");
        for (const TemplateEntry& child : entry.children)
            verb.children.push_back(TemplateVerb(child, folder));
        return verb;
    }
    verb.verb = QStringLiteral("shellnew");
    verb.helpText =
        QStringLiteral("Creates a new \"%1\" in this folder").arg(Shown(entry.fileName));
    verb.run = [templatePath = entry.path, folder](const InvokeContext& context) {
        QString error;
        const auto made = CreateFromTemplate(templatePath, folder, &error);
        if (!made) {
            if (context.errorText)
                *context.errorText = error;
            return false;
        }
        if (context.createdName)
            *context.createdName = *made;
        return true;
    };
    return verb;
}

}  // namespace

MenuVerb StandardVerb(const QString& verb, std::function<bool(const InvokeContext&)> run) {
    MenuVerb out;
    out.verb = verb;
    out.text = verb;
    for (const VerbText& t : kVerbTexts) {
        if (verb == QLatin1String(t.verb)) {
            out.text = QString::fromUtf8(t.text);
            out.helpText = QString::fromUtf8(t.help);
        }
    }
    out.isDefault = verb == QLatin1String("open");
    if (verb == QLatin1String("rename"))
        out.requiredFlags = CMF_CANRENAME;
    out.run = std::move(run);
    return out;
}

VerbContextMenu::VerbContextMenu(std::vector<MenuVerb> verbs) : m_verbs(std::move(verbs)) {
    std::function<void(const std::vector<MenuVerb>&)> collect = [&](const auto& list) {
        for (const MenuVerb& v : list) {
            if (v.IsSubmenu())
                collect(v.children);
            else if (!v.IsSeparator())
                m_commands.push_back(&v);
        }
    };
    collect(m_verbs);
}

void VerbContextMenu::AppendEntries(const std::vector<MenuVerb>& verbs,
                                    std::vector<ContextMenuEntry>& out, int& next, int firstId,
                                    int lastId, std::uint32_t flags) const {
    for (const MenuVerb& v : verbs) {
        const bool shown = (flags & v.requiredFlags) == v.requiredFlags;
        if (v.IsSeparator()) {
            if (!out.empty() &&
                !(out.back().id == 0 && out.back().text.isEmpty() && out.back().children.empty())) {
                out.push_back(ContextMenuEntry{});
            }
            continue;
        }
        if (v.IsSubmenu()) {
            ContextMenuEntry entry;
            entry.verb = v.verb;
            entry.text = v.text;
            entry.helpText = v.helpText;
            entry.icon = v.icon;
            entry.enabled = v.enabled;
            AppendEntries(v.children, entry.children, next, firstId, lastId, flags);
            if (shown && !entry.children.empty())
                out.push_back(std::move(entry));
            continue;
        }
        const int id = firstId + next++;
        if (!shown || id > lastId)
            continue;
        ContextMenuEntry entry;
        entry.id = id;
        entry.verb = v.verb;
        entry.text = v.text;
        entry.helpText = v.helpText;
        entry.icon = v.icon;
        entry.isDefault = v.isDefault;
        entry.enabled = v.enabled;
        out.push_back(std::move(entry));
    }
    // A separator never ends a menu.
    while (!out.empty() && out.back().id == 0 && out.back().text.isEmpty() &&
           out.back().children.empty()) {
        out.pop_back();
    }
}

bool VerbContextMenu::QueryContextMenu(std::vector<ContextMenuEntry>& out, int firstId, int lastId,
                                       std::uint32_t flags) {
    if (flags & CMF_DEFAULTONLY) {
        for (std::size_t i = 0; i < m_commands.size(); ++i) {
            const MenuVerb& v = *m_commands[i];
            const int id = firstId + int(i);
            if (v.isDefault && id <= lastId) {
                ContextMenuEntry entry;
                entry.id = id;
                entry.verb = v.verb;
                entry.text = v.text;
                entry.helpText = v.helpText;
                entry.icon = v.icon;
                entry.isDefault = true;
                entry.enabled = v.enabled;
                out.push_back(std::move(entry));
                return true;
            }
        }
        return false;
    }
    std::vector<ContextMenuEntry> entries;
    int next = 0;
    AppendEntries(m_verbs, entries, next, firstId, lastId, flags);
    if (entries.empty())
        return false;
    for (auto& e : entries) out.push_back(std::move(e));
    return true;
}

std::optional<QString> VerbContextMenu::GetCommandString(int offset) {
    if (offset < 0 || std::size_t(offset) >= m_commands.size())
        return std::nullopt;
    return m_commands[offset]->verb;
}

bool VerbContextMenu::InvokeCommand(int offset, const InvokeContext& context) {
    if (offset < 0 || std::size_t(offset) >= m_commands.size())
        return false;
    const MenuVerb& v = *m_commands[offset];
    if (!v.enabled || !v.run)
        return false;
    return v.run(context);
}

int VerbContextMenu::OffsetOf(const QString& verb) const {
    for (std::size_t i = 0; i < m_commands.size(); ++i) {
        if (m_commands[i]->verb.compare(verb, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

bool VerbContextMenu::InvokeVerb(const QString& verb, const InvokeContext& context) {
    const int offset = OffsetOf(verb);
    return offset >= 0 && InvokeCommand(offset, context);
}

QByteArray NumberedName(const QByteArray& name, int n) {
    if (n <= 1)
        return name;
    const qsizetype dot = name.lastIndexOf('.');
    const bool hasExtension = dot > 0;
    const QByteArray base = hasExtension ? name.left(dot) : name;
    const QByteArray extension = hasExtension ? name.mid(dot) : QByteArray();
    return base + " (" + QByteArray::number(n) + ")" + extension;
}

std::optional<MenuVerb> OpenWithVerb(const QList<QByteArray>& paths) {
    if (paths.isEmpty())
        return std::nullopt;
    QStringList types;
    for (const QByteArray& path : paths) {
        const QString type = ContentTypeOfPath(path);
        if (!types.contains(type))
            types << type;
    }
    std::vector<AppPtr> apps = AppsForType(types.first());
    for (qsizetype i = 1; i < types.size() && !apps.empty(); ++i) {
        QList<QByteArray> ids;
        for (const AppPtr& app : AppsForType(types[i])) ids << AppId(app.get());
        std::erase_if(apps, [&](const AppPtr& app) { return !ids.contains(AppId(app.get())); });
    }
    if (apps.empty())
        return std::nullopt;
    if (AppPtr preferred =
            Adopt(g_app_info_get_default_for_type(types.first().toUtf8().constData(), FALSE))) {
        const QByteArray id = AppId(preferred.get());
        auto it = std::find_if(apps.begin(), apps.end(),
                               [&](const AppPtr& app) { return AppId(app.get()) == id; });
        if (it != apps.end())
            std::rotate(apps.begin(), it, it + 1);
    }
    MenuVerb submenu = StandardVerb(QStringLiteral("openwith"));
    for (const AppPtr& app : apps) {
        MenuVerb entry;
        const QString name = QString::fromUtf8(g_app_info_get_name(app.get()));
        entry.verb = QStringLiteral("openwith:") + QString::fromUtf8(AppId(app.get()));
        entry.text = EscapeMnemonic(name);
        entry.helpText = QStringLiteral("Opens the selected item with %1").arg(name);
        entry.icon = AppIcon(app.get());
        entry.run = [app, paths](const InvokeContext& context) {
            return LaunchAppWithPaths(app.get(), paths, context.errorText);
        };
        submenu.children.push_back(std::move(entry));
    }
    return submenu;
}

bool MakeLinksInPlace(const QList<QByteArray>& paths, QByteArray* createdName, QString* error) {
    bool first = true;
    for (const QByteArray& path : paths) {
        const QByteArray name = "Link to " + LastComponent(path);
        const QByteArray folder = FolderOf(path);
        bool made = false;
        for (int n = 1; n <= 10000 && !made; ++n) {
            const QByteArray candidate = NumberedName(name, n);
            // symlink() refuses an existing name, so nothing is replaced.
            if (::symlink(path.constData(), JoinPathBytes(folder, candidate).constData()) == 0) {
                made = true;
                if (first && createdName)
                    *createdName = candidate;
                first = false;
            } else if (errno != EEXIST) {
                if (error) {
                    *error = QStringLiteral("The link to \"%1\" cannot be made: %2")
                                 .arg(Shown(LastComponent(path)), SystemError(errno));
                }
                return false;
            }
        }
        if (!made) {
            if (error)
                *error = QStringLiteral("No free name was found for the link");
            return false;
        }
    }
    return true;
}

std::unique_ptr<VerbContextMenu> MakeFileSystemContextMenu(const QList<QByteArray>& paths) {
    if (paths.isEmpty())
        return nullptr;
    bool anyFolder = false;
    for (const QByteArray& path : paths) anyFolder = anyFolder || IsFolderLike(path);
    const bool oneFolder = paths.size() == 1 && anyFolder;

    std::vector<MenuVerb> verbs;
    // Folders are opened by the program, in the pane: "open" only names it.
    verbs.push_back(StandardVerb(
        QStringLiteral("open"),
        anyFolder ? std::function<bool(const InvokeContext&)>()
                  : [paths](const InvokeContext& context) { return LaunchEach(paths, context); }));
    if (!anyFolder) {
        if (auto openWith = OpenWithVerb(paths)) {
            verbs.push_back(std::move(*openWith));
        }
    }
    verbs.push_back(MenuVerb::Separator());
    verbs.push_back(StandardVerb(QStringLiteral("cut")));
    verbs.push_back(StandardVerb(QStringLiteral("copy")));
    if (oneFolder) {
        MenuVerb paste = StandardVerb(QStringLiteral("paste"));
        paste.enabled = ClipboardHasItems();
        verbs.push_back(std::move(paste));
    }
    verbs.push_back(MenuVerb::Separator());
    verbs.push_back(StandardVerb(QStringLiteral("link"), [paths](const InvokeContext& context) {
        return MakeLinksInPlace(paths, context.createdName, context.errorText);
    }));
    verbs.push_back(StandardVerb(QStringLiteral("delete")));
    if (paths.size() == 1)
        verbs.push_back(StandardVerb(QStringLiteral("rename")));
    verbs.push_back(MenuVerb::Separator());
    verbs.push_back(PropertiesVerb(paths));
    return std::make_unique<VerbContextMenu>(std::move(verbs));
}

std::unique_ptr<VerbContextMenu> MakeFileSystemBackgroundMenu(const QByteArray& folder) {
    const QByteArray directory = TemplatesDirectory();
    MenuVerb shellNew;
    shellNew.verb = QStringLiteral("shellnew");
    shellNew.text = kShellNewText;
    shellNew.helpText = kShellNewHelp;
    for (const TemplateEntry& entry : ListTemplates(directory))
        shellNew.children.push_back(TemplateVerb(entry, folder));
    if (shellNew.children.empty()) {
        // Said rather than hidden, so the user learns where templates go.
        MenuVerb none;
        none.verb = QStringLiteral("shellnew");
        none.text = kNoTemplatesText;
        none.helpText = QStringLiteral("Files put into %1 are offered here").arg(Shown(directory));
        none.enabled = false;
        shellNew.children.push_back(std::move(none));
    }
    std::vector<MenuVerb> verbs;
    verbs.push_back(std::move(shellNew));
    return std::make_unique<VerbContextMenu>(std::move(verbs));
}

std::unique_ptr<VerbContextMenu> MakeDesktopEntryContextMenu(const QByteArray& desktopFilePath) {
    std::vector<MenuVerb> verbs;
    verbs.push_back(
        StandardVerb(QStringLiteral("open"), [desktopFilePath](const InvokeContext& context) {
            if (ShellLaunchDesktopFile(desktopFilePath))
                return true;
            if (context.errorText) {
                *context.errorText = QStringLiteral("The application could not be started");
            }
            return false;
        }));
    verbs.push_back(MenuVerb::Separator());
    verbs.push_back(PropertiesVerb({desktopFilePath}));
    return std::make_unique<VerbContextMenu>(std::move(verbs));
}

std::unique_ptr<VerbContextMenu> MakePlaceContextMenu(const QList<QByteArray>& propertiesPaths) {
    std::vector<MenuVerb> verbs;
    verbs.push_back(StandardVerb(QStringLiteral("open")));
    if (!propertiesPaths.isEmpty()) {
        verbs.push_back(MenuVerb::Separator());
        verbs.push_back(PropertiesVerb(propertiesPaths));
    }
    return std::make_unique<VerbContextMenu>(std::move(verbs));
}

std::unique_ptr<VerbContextMenu> MakeTrashBackgroundMenu() {
    MenuVerb empty{QStringLiteral("emptytrash"), QStringLiteral("&Empty trash"),
                   QStringLiteral("Deletes every item in the trash for good")};
    empty.icon = QIcon::fromTheme(QStringLiteral("user-trash-full"));
    empty.enabled = !TrashIsEmpty();
    empty.run = [](const InvokeContext& context) {
        return EmptyTrash(/*confirm=*/true, context.parent, context.errorText) ==
               TrashActionResult::Done;
    };
    std::vector<MenuVerb> verbs;
    verbs.push_back(std::move(empty));
    return std::make_unique<VerbContextMenu>(std::move(verbs));
}

std::unique_ptr<VerbContextMenu> MakeTrashContextMenu(std::vector<TrashEntry> entries) {
    if (entries.empty())
        return nullptr;
    QList<QByteArray> paths;
    bool anyFolder = false;
    for (const TrashEntry& entry : entries) {
        paths << entry.FilePath();
        anyFolder = anyFolder || S_ISDIR(entry.mode);
    }
    auto shared = std::make_shared<const std::vector<TrashEntry>>(std::move(entries));
    std::vector<MenuVerb> verbs;
    verbs.push_back(StandardVerb(
        QStringLiteral("open"),
        anyFolder ? std::function<bool(const InvokeContext&)>()
                  : [paths](const InvokeContext& context) { return LaunchEach(paths, context); }));
    verbs.push_back(StandardVerb(QStringLiteral("restore"), [shared](const InvokeContext& context) {
        return RestoreFromTrash(*shared, context.parent, context.errorText) ==
               TrashActionResult::Done;
    }));
    verbs.push_back(MenuVerb::Separator());
    verbs.push_back(StandardVerb(QStringLiteral("copy")));
    MenuVerb erase = StandardVerb(QStringLiteral("delete"), [shared](const InvokeContext& context) {
        return DeleteFromTrash(*shared, /*confirm=*/true, context.parent, context.errorText) ==
               TrashActionResult::Done;
    });
    erase.helpText = QStringLiteral("Deletes the selected item for good");
    verbs.push_back(std::move(erase));
    verbs.push_back(MenuVerb::Separator());
    verbs.push_back(PropertiesVerb(paths));
    return std::make_unique<VerbContextMenu>(std::move(verbs));
}

std::unique_ptr<VerbContextMenu> MakeDescribedItemsContextMenu(
    std::vector<FileDescriptor> items, const QString& location,
    std::function<bool(const InvokeContext&)> open) {
    if (items.empty())
        return nullptr;
    std::vector<MenuVerb> verbs;
    verbs.push_back(StandardVerb(QStringLiteral("open"), std::move(open)));
    verbs.push_back(MenuVerb::Separator());
    verbs.push_back(StandardVerb(QStringLiteral("copy")));
    verbs.push_back(MenuVerb::Separator());
    verbs.push_back(StandardVerb(QStringLiteral("properties"), [items = std::move(items), location](
                                                                   const InvokeContext& context) {
        return ShowDescribedPropertiesDialog(items, location, context.parent);
    }));
    return std::make_unique<VerbContextMenu>(std::move(verbs));
}
