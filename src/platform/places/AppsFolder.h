#pragma once
// AppsFolder: the desktop entries of the XDG application directories as
// virtual folders of the namespace.
//
//   Settings ("::Settings")     the entries of settings applications: those
//                               whose Categories hold "Settings" (or one of
//                               the desktops' settings-panel categories);
//   Start menu ("::StartMenu")  every visible application, in sub-folders by
//                               main category ("Development", "Graphics",
//                               ..., "Other" for the rest).
//
// Entries are read with GIO (GDesktopAppInfo) from
// $XDG_DATA_HOME/applications, then each $XDG_DATA_DIRS/applications, as the
// environment says at the time of the call: an id found in an earlier
// folder hides the same id in later ones (so a user's Hidden=true copy hides
// the system's entry); entries GIO would not show (NoDisplay, OnlyShowIn /
// NotShowIn, a missing TryExec program) are left out.
//
// Items are ItemKind::DesktopEntry ids. An application item has no
// attributes of a file (size "<n/a>"); its in-folder name is the entry's
// Name, its parsing name the absolute path of its desktop file, its info tip
// the entry's Comment, its icon the entry's Icon (ExeIcon when the theme has
// none). A category item is a folder. A folder object reads the directories
// once, when first asked (a few milliseconds for some hundred entries).

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "platform/namespace/ItemData.h"
#include "platform/namespace/ShellFolder.h"

/// One desktop entry as the folders show it.
struct AppEntry {
    QByteArray id;    // the desktop file id ("org.example.App.desktop")
    QByteArray path;  // absolute path of the desktop file
    QString name;     // Name (localised)
    QString comment;  // Comment (localised), may be empty
    QStringList categories;
    QStringList iconNames;  // theme names, or one absolute image path
    QString mainCategory;   // the Start menu sub-folder key ("Other" for none)
    bool settings = false;  // listed in Settings
};

/// The visible entries of the XDG application directories, by id, in the
/// order found. Cost: one GIO key-file parse per desktop file.
std::vector<AppEntry> ReadApplications();

/// True for categories that make an entry a settings application.
bool IsSettingsCategoryList(const QStringList& categories);
/// The Start menu sub-folder key of a category list: its first main
/// category ("AudioVideo" also for "Audio" and "Video", "Development", ...),
/// else "Settings" for a settings panel, else "Other".
QString MainCategoryOf(const QStringList& categories);
/// The name shown for a sub-folder key ("Sound & Video", "Other", ...).
QString MainCategoryTitle(const QString& key);

class AppsFolder : public ShellFolder {
public:
    /// `place` is VirtualPlace::Settings or VirtualPlace::StartMenu;
    /// `category` a Start menu sub-folder key (empty for the folder itself).
    AppsFolder(VirtualPlace place, IdList absolute, QString category = {});

    std::unique_ptr<ShellFolder> BindToObject(const IdList& relative) override;
    std::unique_ptr<EnumIdList> EnumObjects(std::uint32_t flags) override;
    bool GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) override;
    std::optional<QString> GetDisplayNameOf(const IdList& item, std::uint32_t flags) override;
    /// A desktop file id, the absolute path of a desktop file of this
    /// folder, or (in the Start menu) a sub-folder key.
    IdList ParseDisplayName(const QString& name) override;
    /// Folders first, then by shown name (case-blind), then by id.
    int CompareIDs(int column, const IdList& a, const IdList& b) override;
    /// The shell id list and the desktop files' URIs.
    std::unique_ptr<ShellDataObject> GetDataObject(std::span<const IdList> items) override;
    std::optional<QString> GetInfoTip(const IdList& item) override;
    int GetIconIndex(const IdList& item, bool open) override;
    /// Over one application: MakeDesktopEntryContextMenu ("open" starts it,
    /// "properties"); nullptr otherwise.
    std::unique_ptr<ShellContextMenu> GetContextMenu(std::span<const IdList> items) override;

    /// The folder's entries (read on first use).
    const std::vector<AppEntry>& Entries();

private:
    const AppEntry* Find(const QByteArray& id);
    bool Belongs(const AppEntry& entry) const;

    VirtualPlace m_place;
    IdList m_absolute;
    QString m_category;
    std::optional<std::vector<AppEntry>> m_entries;
};

/// The desktop file of an application item of Settings or the Start menu
/// (relative, one item), or nullopt when it is not one or is gone.
std::optional<QByteArray> DesktopEntryFilePath(const IdList& relative);
