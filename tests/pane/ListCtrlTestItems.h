#pragma once
// Items for the list-control tests: FolderItem records with their fields
// set directly, owned by a test folder whose kind (file-system or virtual)
// and CompareIDs order the test chooses.

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "platform/namespace/ShellFolder.h"
#include "shell/FolderItem.h"
#include "shell/FolderItemOwner.h"
#include "shell/GeneralSettings.h"
#include "support/FakeShell.h"

// A folder that only knows an order: CompareIDs ranks items by their
// position in `order`, and puts junk into the high 16 bits of its answer,
// which callers must ignore.
class RankedFolder : public ShellFolder {
public:
    QStringList order;

    std::unique_ptr<ShellFolder> BindToObject(const IdList&) override { return nullptr; }
    std::unique_ptr<EnumIdList> EnumObjects(std::uint32_t) override { return nullptr; }
    bool GetAttributesOf(std::span<const IdList>, std::uint32_t&) override { return false; }
    std::optional<QString> GetDisplayNameOf(const IdList&, std::uint32_t) override {
        return std::nullopt;
    }
    IdList ParseDisplayName(const QString&) override { return {}; }
    int CompareIDs(int column, const IdList& a, const IdList& b) override {
        if (column != 0)
            return 0;
        const int ra = order.indexOf(FakeShellNamespace::ItemName(a.LastPayload()).value_or(""));
        const int rb = order.indexOf(FakeShellNamespace::ItemName(b.LastPayload()).value_or(""));
        return int((unsigned(ra - rb) & 0xFFFFu) | 0x7FFF0000u);
    }
};

class TestFolder : public FolderItemOwner {
public:
    explicit TestFolder(std::uint32_t attributes = SFGAO_FILESYSTEM | SFGAO_FOLDER)
        : m_attributes(attributes) {}

    ShellFolder& OwnerShellFolder() override { return m_folder; }
    const IdList& OwnerIdList() const override { return m_idList; }
    const QString& OwnerPath() const override { return m_path; }
    std::uint32_t OwnerAttributes() const override { return m_attributes; }

    RankedFolder& Ranked() { return m_folder; }

    /// A file (or, with SFGAO_FOLDER in `extra`, a folder) of this folder.
    FolderItem* Add(const QString& name, std::uint64_t size = 0, FileTime modified = 0,
                    std::uint32_t extra = 0) {
        auto item = std::make_unique<FolderItem>();
        item->folder = this;
        item->id = FakeShellNamespace::ItemId(name);
        item->attributes = (m_attributes & SFGAO_FILESYSTEM) | extra;
        item->name = name;
        item->displayName = name;
        item->size = size;
        item->times[kTimeModified] = modified;
        m_items.push_back(std::move(item));
        return m_items.back().get();
    }
    FolderItem* AddFolder(const QString& name, std::uint64_t size = 0, FileTime modified = 0) {
        return Add(name, size, modified, SFGAO_FOLDER);
    }

    std::vector<FolderItem*> Items() const {
        std::vector<FolderItem*> items;
        for (const auto& item : m_items) items.push_back(item.get());
        return items;
    }

private:
    RankedFolder m_folder;
    IdList m_idList = IdList::Empty();
    QString m_path = QStringLiteral("/test");
    std::uint32_t m_attributes;
    std::vector<std::unique_ptr<FolderItem>> m_items;
};

inline QStringList NamesOf(const std::vector<FolderItem*>& items) {
    QStringList names;
    for (const FolderItem* item : items) names.push_back(item->name);
    return names;
}

// Sets the general setting "eFileDateUzed" for a scope.
class ScopedFileDate {
public:
    explicit ScopedFileDate(int index) : m_old(General().fileDateUsed) {
        MutableGeneral().fileDateUsed = index;
    }
    ~ScopedFileDate() { MutableGeneral().fileDateUsed = m_old; }
    ScopedFileDate(const ScopedFileDate&) = delete;
    ScopedFileDate& operator=(const ScopedFileDate&) = delete;

private:
    int m_old;
};
