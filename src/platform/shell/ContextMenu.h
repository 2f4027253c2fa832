#pragma once
// Context menus of Corvane's own folders.
//
// VerbContextMenu is a ShellContextMenu made of a fixed tree of verbs, each
// carried out by a function; the folders of the namespace assemble theirs
// from the standard verbs below. Verbs without a function ("cut", "copy",
// "delete", "rename", "paste") name commands the program carries out itself:
// the menu lists them and reports their verb, and InvokeCommand on them is
// false.
//
// Command offsets are fixed when the menu is made: the n-th command of the
// tree (depth first, submenus' children in place) has offset n, whatever
// QueryContextMenu leaves out (entries that need a flag not given, ids past
// the range). So GetCommandString and InvokeCommand may be asked without a
// QueryContextMenu first, as a verb lookup does.

#include <QByteArray>
#include <QList>
#include <functional>
#include <memory>
#include <vector>

#include "platform/shell/ShellFolder.h"
#include "platform/shell/Trash.h"

/// One entry of a VerbContextMenu: a command, a separator (no verb, no text,
/// no children) or a submenu (with children; its own verb is only a name).
struct MenuVerb {
    QString verb;
    QString text;  // with its "&" mnemonic
    QString helpText;
    QIcon icon;
    bool isDefault = false;
    bool enabled = true;
    /// CMF_ bits that must all be given to QueryContextMenu for the entry to
    /// be shown (CMF_CANRENAME for "rename").
    std::uint32_t requiredFlags = 0;
    /// Carries the command out; empty for the program's own commands.
    std::function<bool(const InvokeContext&)> run;
    std::vector<MenuVerb> children;

    static MenuVerb Separator() { return {}; }
    bool IsSeparator() const { return verb.isEmpty() && text.isEmpty() && children.empty(); }
    bool IsSubmenu() const { return !children.empty(); }
};

/// A standard verb with its text and help text: "open" (default), "openwith",
/// "cut", "copy", "paste", "link", "delete", "rename" (needs CMF_CANRENAME),
/// "properties", "restore". Unknown verbs get their own name as text.
MenuVerb StandardVerb(const QString& verb, std::function<bool(const InvokeContext&)> run = {});

class VerbContextMenu : public ShellContextMenu {
public:
    explicit VerbContextMenu(std::vector<MenuVerb> verbs);
    VerbContextMenu(const VerbContextMenu&) = delete;  // holds pointers into its verbs
    VerbContextMenu& operator=(const VerbContextMenu&) = delete;

    /// With CMF_DEFAULTONLY only the default command is given. Separators at
    /// either end or next to each other (after entries were left out) are
    /// dropped. False when nothing at all could be listed.
    bool QueryContextMenu(std::vector<ContextMenuEntry>& out, int firstId, int lastId,
                          std::uint32_t flags) override;
    std::optional<QString> GetCommandString(int offset) override;
    /// False for commands the program carries out itself, disabled ones and
    /// unknown offsets.
    bool InvokeCommand(int offset, const InvokeContext& context) override;
    /// The first command with that verb (case-blind), submenus included.
    bool InvokeVerb(const QString& verb, const InvokeContext& context) override;

    const std::vector<MenuVerb>& Verbs() const { return m_verbs; }
    /// The offset of the first command with that verb, or -1.
    int OffsetOf(const QString& verb) const;

private:
    void AppendEntries(const std::vector<MenuVerb>& verbs, std::vector<ContextMenuEntry>& out,
                       int& next, int firstId, int lastId, std::uint32_t flags) const;

    std::vector<MenuVerb> m_verbs;
    std::vector<const MenuVerb*> m_commands;  // by offset
};

/// The menu over file-system items (absolute raw paths, at least one):
/// "open" (default; files are launched, folders are opened by the program),
/// "Open with" (applications for the items' content types, when no item is
/// a folder), "cut", "copy", "paste" (one folder only), "link", "delete",
/// "rename" (one item, with CMF_CANRENAME), "properties". Cost: one stat and
/// one content-type guess per item, plus GIO's application look-up.
std::unique_ptr<VerbContextMenu> MakeFileSystemContextMenu(const QList<QByteArray>& paths);

/// The background menu of a file-system folder: a "S&hell new" submenu of the
/// user's templates (Templates.h); choosing one copies it into `folder` and
/// reports the new name through InvokeContext::createdName.
std::unique_ptr<VerbContextMenu> MakeFileSystemBackgroundMenu(const QByteArray& folder);

/// The menu of an item that is a desktop entry (an application of the
/// settings or applications places): "open" starts the application,
/// "properties" shows the entry file's properties.
std::unique_ptr<VerbContextMenu> MakeDesktopEntryContextMenu(const QByteArray& desktopFilePath);

/// The menu of a place that the program opens itself (a volume, a network
/// place, the places of the Desktop): "open" (default; the program's) and,
/// when `propertiesPaths` is not empty, "properties" of those folders.
std::unique_ptr<VerbContextMenu> MakePlaceContextMenu(const QList<QByteArray>& propertiesPaths);

/// The Trash's background menu: "emptytrash" ("&Empty trash"), which
/// deletes every trashed item for good after asking; disabled when the
/// trash is empty. Cost: reads the trash info folders.
std::unique_ptr<VerbContextMenu> MakeTrashBackgroundMenu();

/// The menu over entries of the trash: "open" (default; a trashed file is
/// launched where it lies, a folder is opened by the program), "restore"
/// (RestoreFromTrash), "copy" (the program's), "delete" (DeleteFromTrash,
/// asking first), "properties" (of the items inside the trash). nullptr for
/// no entries.
std::unique_ptr<VerbContextMenu> MakeTrashContextMenu(std::vector<TrashEntry> entries);

/// The menu over items that only describe themselves (archive entries):
/// "open" (default; carried out by `open` when given, else by the program),
/// "copy" (the program's) and "properties" (the descriptors' dialog, with
/// `location` as their folder). nullptr for no items.
std::unique_ptr<VerbContextMenu> MakeDescribedItemsContextMenu(
    std::vector<FileDescriptor> items, const QString& location,
    std::function<bool(const InvokeContext&)> open = {});

/// The "Open with" submenu for the items (absolute raw paths): one command
/// per application that handles every item's content type, the default
/// application first; each launches that application with the items' URIs.
/// nullopt when no application handles them all.
std::optional<MenuVerb> OpenWithVerb(const QList<QByteArray>& paths);

/// Makes a symbolic link to each path in its own folder, named "Link to
/// <name>", or "Link to <name> (2)" and so on when that is taken (an existing
/// entry is never replaced). The name of the first link made goes to
/// `createdName`. False, with a text in `error`, at the first failure.
bool MakeLinksInPlace(const QList<QByteArray>& paths, QByteArray* createdName = nullptr,
                      QString* error = nullptr);

/// The content type (MIME name) of a path by its name and first bytes,
/// following links; "inode/directory" for folders. Reads without Qt's file
/// classes, so names that are not UTF-8 work. Cost: one stat, one read.
QString ContentTypeOfPath(const QByteArray& path);

/// "name (n).ext" for n >= 2 ("name" for n == 1): the numbering Corvane uses
/// for names it makes that must not replace an existing entry. A leading dot
/// is not an extension.
QByteArray NumberedName(const QByteArray& name, int n);
