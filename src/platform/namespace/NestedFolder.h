#pragma once
// What the virtual folders of the namespace (Computer, Network, Trash,
// Settings and the applications menu, Printers, the Desktop) share.
//
// Their own items are one level deep; a relative list of several items
// reaches below one of them, into the folder that item binds to, and every
// question about it is passed on to that folder. The helpers here do the
// passing on once, so each folder only answers for its own items.

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/namespace/ShellFolder.h"

/// -1, 0 or 1 as `a` is less than, equal to or greater than `b`.
template <typename T>
int Order(const T& a, const T& b) {
    return a < b ? -1 : b < a ? 1 : 0;
}

/// An enumerator over a list of ids made in advance. Never fails.
class IdListEnum : public EnumIdList {
public:
    explicit IdListEnum(std::vector<IdList> ids) : m_ids(std::move(ids)) {}
    Result Next(IdList& item) override;

private:
    std::vector<IdList> m_ids;
    std::size_t m_next = 0;
};

/// Asks the folder that holds the last item of a list of two or more items
/// (`self` binds all but the last): `ask(parent, last)`, with a null
/// parent when that folder can't be bound.
template <typename F>
auto AskHolderOf(ShellFolder& self, const IdList& item, F ask) {
    std::unique_ptr<ShellFolder> parent = self.BindToObject(item.Trim(1));
    const IdList last = item.Last();
    return ask(parent.get(), last);
}

/// GetAttributesOf for a folder whose own items `own` answers for (it sets
/// the item's bits; false for an unknown item); items below them are asked
/// of their folders. On success `inOut` keeps the bits every item has (it
/// is left as it is for no items).
bool NestedAttributesOf(ShellFolder& self, std::span<const IdList> items, std::uint32_t& inOut,
                        const std::function<bool(const IdList&, std::uint32_t&)>& own);

/// The questions of ShellFolder for an item below one of the folder's own
/// (Count() > 1), asked of the folder that holds it; "nothing" when it
/// can't be bound.
std::optional<QString> NestedDisplayNameOf(ShellFolder& self, const IdList& item,
                                           std::uint32_t flags);
std::optional<FindData> NestedFindData(ShellFolder& self, const IdList& item);
std::optional<QString> NestedInfoTip(ShellFolder& self, const IdList& item);
int NestedIconIndex(ShellFolder& self, const IdList& item, bool open);
/// The renamed item's list relative to `self`; null when the holder refused.
IdList NestedSetNameOf(ShellFolder& self, const IdList& item, const QString& newName,
                       std::uint32_t flags);

/// The context menu over items that all lie in the same folder below one
/// of `self`'s own items (all of the same length, more than one item each,
/// with the same prefix); nullptr otherwise or when that folder has none.
std::unique_ptr<ShellContextMenu> NestedContextMenu(ShellFolder& self,
                                                    std::span<const IdList> items);

/// True when the items reach below the folder's own items (the first has
/// more than one item): NestedContextMenu answers for them.
inline bool IsNested(std::span<const IdList> items) {
    return !items.empty() && items.front().Count() > 1;
}

/// The data object of items whose parsing names are paths (volumes,
/// network places): the shell id list (with `parent` as the folder's
/// absolute list) and the paths as file URIs and text. nullptr for no items
/// or an item without a parsing name.
std::unique_ptr<ShellDataObject> ParsedPathsDataObject(ShellFolder& self, const IdList& parent,
                                                       std::span<const IdList> items);

/// For two lists whose first items `self` found equal: orders them by what
/// lies below, asked of the folder the first item binds to; a shorter list
/// first.
int CompareBelowFirst(ShellFolder& self, int column, const IdList& a, const IdList& b);
