#pragma once
// The shell-folder interface: the operations the program asks of a folder of
// the namespace (the Desktop, Computer, a directory, an archive, the trash).
//
// Items are named by relative id lists (one item, or a path of items for
// BindToObject and CompareIDs). Results come back by value: a null IdList,
// std::nullopt, nullptr or false mean "failed". A folder object may be used
// from the thread that made it only.

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/shell/IdList.h"
#include "platform/shell/ShellTypes.h"

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
};
