#include "platform/shellui/ContextMenu.h"

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

#include "platform/fs/FileSystem.h"
#include "platform/fs/Templates.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/NestedFolder.h"
#include "platform/shellui/PropertiesDialog.h"
#include "platform/shellui/ShellLaunch.h"

namespace {

const QString kShellNewText = QStringLiteral("S&hell new");
const QString kShellNewHelp = QStringLiteral("Creates a new document from one of your templates");
const QString kNoTemplatesText = QStringLiteral("(No templates)");

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
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

}  // namespace

bool LaunchEach(const QList<QByteArray>& paths, const InvokeContext& context) {
    for (const QByteArray& path : paths) {
        if (!ShellLaunchPath(path)) {
            if (context.errorText) {
                *context.errorText = QStringLiteral("\"%1\" could not be opened")
                                         .arg(DisplayFromBytes(LastComponent(path)));
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

namespace {

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
        QStringLiteral("Creates a new \"%1\" in this folder").arg(DisplayFromBytes(entry.fileName));
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
        const QByteArray folder = ParentPathBytes(path);
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
                                 .arg(DisplayFromBytes(LastComponent(path)), SystemError(errno));
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
        none.helpText =
            QStringLiteral("Files put into %1 are offered here").arg(DisplayFromBytes(directory));
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

std::unique_ptr<ShellContextMenu> PlacesContextMenu(
    ShellFolder& self, std::span<const IdList> items,
    const std::function<std::optional<QByteArray>(const IdList&)>& pathOf) {
    if (items.empty())
        return nullptr;
    if (IsNested(items))
        return NestedContextMenu(self, items);
    QList<QByteArray> properties;
    for (const IdList& item : items) {
        const std::optional<QByteArray> path =
            item.Count() == 1 ? pathOf(item) : std::optional<QByteArray>();
        if (!path)
            return nullptr;
        properties << *path;
    }
    if (properties.size() > 1)
        properties.clear();
    return MakePlaceContextMenu(properties);
}
