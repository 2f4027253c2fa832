#pragma once
// Context menus of Corvane's own folders.
//
// The context menus of Corvane's own folders over files, places and
// described items, and the verbs they share. The menus are VerbContextMenus
// (VerbContextMenu.h).

#include <QByteArray>
#include <QList>
#include <functional>
#include <memory>
#include <vector>

#include "platform/namespace/ShellFolder.h"
#include "platform/shellui/VerbContextMenu.h"

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

/// Launches each path with its default application; false, with a text in
/// `context.errorText`, at the first that cannot be opened.
bool LaunchEach(const QList<QByteArray>& paths, const InvokeContext& context);

/// "properties" of the paths: the properties dialog over them.
MenuVerb PropertiesVerb(QList<QByteArray> paths);

/// The menu over places of a folder that the program opens itself
/// (volumes, network places): below a place, the menu of its folder
/// (NestedContextMenu); over places, MakePlaceContextMenu with "properties"
/// of the folder `pathOf` gives for a single place (several places get
/// "open" only). nullptr when an item is not a place (`pathOf` nullopt).
std::unique_ptr<ShellContextMenu> PlacesContextMenu(
    ShellFolder& self, std::span<const IdList> items,
    const std::function<std::optional<QByteArray>(const IdList&)>& pathOf);
