#pragma once
// The shell-folder interface: the operations the program asks of a folder of
// the namespace (the Desktop, Computer, a directory, an archive, the trash).
//
// Items are named by relative id lists (one item, or a path of items for
// BindToObject and CompareIDs). Results come back by value: a null IdList,
// std::nullopt, nullptr or false mean "failed".
//
// Threads. A folder object is used by the thread that made it only; folders
// of the same place made on different threads are independent (what they
// share, such as the archive index cache or the mount table, is guarded).
// On a worker thread (find, statistics, thumbnails, the tree) these calls are
// safe: BindToObject, EnumObjects and the enumerator, GetAttributesOf,
// GetDisplayNameOf, ParseDisplayName, CompareIDs, GetFindData, GetInfoTip.
// These stay on the main thread, because they make icons or widgets or
// touch the clipboard: GetIconIndex, GetContextMenu, GetBackgroundMenu,
// GetDataObject, SetNameOf (the program renames from the pane only) and
// every ShellContextMenu call. A worker that needs an icon asks the main
// thread for it with the item's name.

#include <QByteArray>
#include <QIODevice>
#include <QIcon>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class QWidget;

#include "platform/namespace/IdList.h"
#include "platform/namespace/ShellTypes.h"

/// Flags of FileDescriptor::flags, as the file group descriptor has them.
enum : std::uint32_t {
    FD_ATTRIBUTES = 0x04,
    FD_CREATETIME = 0x08,
    FD_ACCESSTIME = 0x10,
    FD_WRITESTIME = 0x20,
    FD_FILESIZE = 0x40,
};

/// One entry of a file group descriptor: what an item inside an archive (or
/// another descriptor folder) says of itself.
struct FileDescriptor {
    std::uint32_t flags = 0;
    std::uint64_t size = 0;
    std::array<FileTime, 3> times{};  // modified, created, accessed
    QString name;                     // the entry's name (last component)
    bool directory = false;
};

/// A data object over some items of a folder, as clipboard and drag and drop
/// carry them. Formats are the MIME names of ClipFormats.h.
class ShellDataObject {
public:
    virtual ~ShellDataObject() = default;
    virtual QStringList Formats() const = 0;
    bool HasFormat(const QString& mime) const { return Formats().contains(mime); }
    /// The bytes of a format; empty when the format is not offered.
    virtual QByteArray GetData(const QString& mime) const = 0;
    /// The file group descriptor of the items, when the object offers one.
    virtual std::optional<std::vector<FileDescriptor>> GetFileGroupDescriptor() const {
        return std::nullopt;
    }
    /// The contents of item `index` as a stream positioned at its start, or
    /// nullptr. Reads may fail (QIODevice::read returning -1).
    virtual std::unique_ptr<QIODevice> GetFileContents(int index) const {
        (void)index;
        return nullptr;
    }
};

/// Enumerator of a folder's items (`IEnumIDList`).
class EnumIdList {
public:
    enum class Result { Item, End, Error };
    virtual ~EnumIdList() = default;
    /// The next item's relative id list in `item` (Result::Item), or the end,
    /// or an error (the enumeration stops).
    virtual Result Next(IdList& item) = 0;
};

/// Flags of ShellContextMenu::QueryContextMenu (the `CMF_` values).
enum : std::uint32_t {
    CMF_NORMAL = 0x0,
    CMF_DEFAULTONLY = 0x1,
    CMF_EXPLORE = 0x4,
    CMF_CANRENAME = 0x10,
};

/// One entry of a context menu. Entries with an id in the asked range are
/// commands; id 0 with no text is a separator; an entry with children is a
/// submenu (its own id is 0).
struct ContextMenuEntry {
    int id = 0;
    QString verb;      // "open", "openwith", "cut", "copy", "paste", "link", ...
    QString text;      // with its "&" mnemonic
    QString helpText;  // shown in the status bar while highlighted
    QIcon icon;
    bool isDefault = false;
    bool enabled = true;
    std::vector<ContextMenuEntry> children;
};

/// Where and for whom a context-menu command runs.
struct InvokeContext {
    QWidget* parent = nullptr;    // owner of any dialog the command shows
    QByteArray workingDirectory;  // bytes of the folder commands start in
    /// When set, receives the name (raw bytes) of an item the command made in
    /// the folder ("Shell new", "link"), so the caller can select or rename it.
    QByteArray* createdName = nullptr;
    /// When set, receives a text for the user when the command fails.
    QString* errorText = nullptr;
};

/// A folder's context menu over some of its items, or over its background
/// (`IContextMenu`). The menu is built by QueryContextMenu and a chosen id is
/// carried out by InvokeCommand; ids are given as offsets from the first id
/// asked for, as the shell does.
class ShellContextMenu {
public:
    virtual ~ShellContextMenu() = default;
    /// Appends the menu's entries to `out`, numbering commands from
    /// `firstId` to at most `lastId`. False when no menu can be had.
    virtual bool QueryContextMenu(std::vector<ContextMenuEntry>& out, int firstId, int lastId,
                                  std::uint32_t flags) = 0;
    /// The verb of the command at `offset` from the first id, if any.
    virtual std::optional<QString> GetCommandString(int offset) = 0;
    /// Carries out the command at `offset`. False when it failed (the menu
    /// has told the user why, through the prompter or a notice).
    virtual bool InvokeCommand(int offset, const InvokeContext& context) = 0;
    /// Carries out a verb by name ("properties", "delete", ...) without a
    /// menu. False when the menu has no such verb or it failed.
    virtual bool InvokeVerb(const QString& verb, const InvokeContext& context) = 0;
};

/// Drop effects (`DROPEFFECT_`), a 32-bit value in every transfer.
enum : std::uint32_t {
    DROPEFFECT_NONE = 0,
    DROPEFFECT_COPY = 1,
    DROPEFFECT_MOVE = 2,
    DROPEFFECT_LINK = 4,
};

/// Key and mouse state bits given to a drop target (`MK_`).
enum : std::uint32_t {
    MK_LBUTTON = 0x1,
    MK_RBUTTON = 0x2,
    MK_SHIFT = 0x4,
    MK_CONTROL = 0x8,
    MK_ALT = 0x20,
};

/// A place that accepts dropped or pasted data (`IDropTarget`): a folder, or
/// an item such as the trash. `effect` holds the effects allowed on entry
/// and the one the target would do (or did) on return.
class ShellDropTarget {
public:
    virtual ~ShellDropTarget() = default;
    virtual bool DragEnter(const ShellDataObject& data, std::uint32_t keyState, QPoint point,
                           std::uint32_t& effect) = 0;
    virtual bool DragOver(std::uint32_t keyState, QPoint point, std::uint32_t& effect) = 0;
    virtual void DragLeave() = 0;
    /// Carries the transfer out. False when nothing was done.
    virtual bool Drop(const ShellDataObject& data, std::uint32_t keyState, QPoint point,
                      std::uint32_t& effect) = 0;
};

class ShellFolder {
public:
    virtual ~ShellFolder() = default;

    /// Binds to a folder below this one; `relative` may hold several items.
    virtual std::unique_ptr<ShellFolder> BindToObject(const IdList& relative) = 0;

    /// Enumerates the items; flags are SHCONTF_ bits. nullptr on failure.
    virtual std::unique_ptr<EnumIdList> EnumObjects(std::uint32_t flags) = 0;

    /// On entry `inOut` holds the SFGAO_ bits asked for; on return the bits
    /// that every item has. With no items the folder validates its cached
    /// view of its contents (SFGAO_VALIDATE). False when an item is unknown.
    virtual bool GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) = 0;

    /// The display name of an item (SHGDN_ flags). An empty `item` names the
    /// folder itself.
    virtual std::optional<QString> GetDisplayNameOf(const IdList& item, std::uint32_t flags) = 0;

    /// Parses a name relative to this folder into a relative id list (null
    /// when it names nothing).
    virtual IdList ParseDisplayName(const QString& name) = 0;

    /// Orders two relative id lists: negative, 0 (the same item), positive.
    /// Column 0 compares names.
    virtual int CompareIDs(int column, const IdList& a, const IdList& b) = 0;

    /// The find data an item carries (`SHGetDataFromIDList`); file-system
    /// items only.
    virtual std::optional<FindData> GetFindData(const IdList& item) {
        (void)item;
        return std::nullopt;
    }

    /// A data object over the items (`GetUIObjectOf` for `IDataObject`).
    virtual std::unique_ptr<ShellDataObject> GetDataObject(std::span<const IdList> items) {
        (void)items;
        return nullptr;
    }

    /// The info tip of an item (`IQueryInfo`); nullopt when it has none.
    virtual std::optional<QString> GetInfoTip(const IdList& item) {
        (void)item;
        return std::nullopt;
    }

    /// The icon registry index of an item, or -1 to let the caller fall back.
    virtual int GetIconIndex(const IdList& item, bool open) {
        (void)item;
        (void)open;
        return -1;
    }

    /// Renames an item; gives the new item's relative id list or null.
    virtual IdList SetNameOf(const IdList& item, const QString& newName, std::uint32_t flags) {
        (void)item;
        (void)newName;
        (void)flags;
        return {};
    }

    /// The context menu over some items (`GetUIObjectOf` for
    /// `IContextMenu`); nullptr when the folder has none.
    virtual std::unique_ptr<ShellContextMenu> GetContextMenu(std::span<const IdList> items) {
        (void)items;
        return nullptr;
    }

    /// The menu of the folder's background (`CreateViewObject` for
    /// `IContextMenu`): "Shell new", paste and the like; nullptr when none.
    virtual std::unique_ptr<ShellContextMenu> GetBackgroundMenu() { return nullptr; }

    /// The drop target of the folder itself (`CreateViewObject`), or of one
    /// item when `items` holds it (`GetUIObjectOf` for `IDropTarget`);
    /// nullptr when nothing can be dropped there.
    virtual std::unique_ptr<ShellDropTarget> GetDropTarget(std::span<const IdList> items) {
        (void)items;
        return nullptr;
    }
};
