#include "platform/namespace/NestedFolder.h"

#include "platform/namespace/BasicDataObject.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/ShellIdArray.h"

EnumIdList::Result IdListEnum::Next(IdList& item) {
    if (m_next >= m_ids.size())
        return Result::End;
    item = m_ids[m_next++];
    return Result::Item;
}

bool NestedAttributesOf(ShellFolder& self, std::span<const IdList> items, std::uint32_t& inOut,
                        const std::function<bool(const IdList&, std::uint32_t&)>& own) {
    std::uint32_t all = ~std::uint32_t(0);
    for (const IdList& item : items) {
        std::uint32_t bits = inOut;
        bool ok;
        if (item.Count() > 1) {
            ok = AskHolderOf(self, item, [&](ShellFolder* parent, const IdList& last) {
                return parent && parent->GetAttributesOf(std::span(&last, 1), bits);
            });
        } else {
            ok = item.Count() == 1 && own(item, bits);
        }
        if (!ok)
            return false;
        all &= bits;
    }
    if (!items.empty())
        inOut &= all;
    return true;
}

std::optional<QString> NestedDisplayNameOf(ShellFolder& self, const IdList& item,
                                           std::uint32_t flags) {
    return AskHolderOf(self, item, [&](ShellFolder* parent, const IdList& last) {
        return parent ? parent->GetDisplayNameOf(last, flags) : std::nullopt;
    });
}

std::optional<FindData> NestedFindData(ShellFolder& self, const IdList& item) {
    return AskHolderOf(self, item, [&](ShellFolder* parent, const IdList& last) {
        return parent ? parent->GetFindData(last) : std::nullopt;
    });
}

std::optional<QString> NestedInfoTip(ShellFolder& self, const IdList& item) {
    return AskHolderOf(self, item, [&](ShellFolder* parent, const IdList& last) {
        return parent ? parent->GetInfoTip(last) : std::nullopt;
    });
}

int NestedIconIndex(ShellFolder& self, const IdList& item, bool open) {
    return AskHolderOf(self, item, [&](ShellFolder* parent, const IdList& last) {
        return parent ? parent->GetIconIndex(last, open) : -1;
    });
}

IdList NestedSetNameOf(ShellFolder& self, const IdList& item, const QString& newName,
                       std::uint32_t flags) {
    const IdList renamed = AskHolderOf(self, item, [&](ShellFolder* parent, const IdList& last) {
        return parent ? parent->SetNameOf(last, newName, flags) : IdList();
    });
    return renamed.IsNull() ? IdList() : item.Trim(1).Concat(renamed);
}

std::unique_ptr<ShellContextMenu> NestedContextMenu(ShellFolder& self,
                                                    std::span<const IdList> items) {
    if (!IsNested(items))
        return nullptr;
    const IdList folderId = items.front().Trim(1);
    std::vector<IdList> lasts;
    for (const IdList& item : items) {
        if (item.Count() != items.front().Count() || !(item.Trim(1) == folderId))
            return nullptr;
        lasts.push_back(item.Last());
    }
    std::unique_ptr<ShellFolder> folder = self.BindToObject(folderId);
    return folder ? folder->GetContextMenu(lasts) : nullptr;
}

int CompareBelowFirst(ShellFolder& self, int column, const IdList& a, const IdList& b) {
    if (a.Count() > 1 && b.Count() > 1) {
        if (std::unique_ptr<ShellFolder> folder = self.BindToObject(a.Prefix(1)))
            return folder->CompareIDs(column, a.Suffix(1), b.Suffix(1));
    }
    return Order(a.Count(), b.Count());
}

std::unique_ptr<ShellDataObject> ParsedPathsDataObject(ShellFolder& self, const IdList& parent,
                                                       std::span<const IdList> items) {
    if (items.empty())
        return nullptr;
    QStringList paths;
    for (const IdList& item : items) {
        std::optional<QString> path = self.GetDisplayNameOf(item, SHGDN_FORPARSING);
        if (!path)
            return nullptr;
        paths << *path;
    }
    auto object = std::make_unique<BasicDataObject>();
    object->SetData(ClipFormats::kShellIdList, EncodeShellIdArray(parent, items));
    object->SetFilePaths(paths);
    return object;
}
