#pragma once
// FolderItemOwner: what a FolderItem needs of the folder that holds it. The
// pane's FolderModel implements it; BoundFolder is a plain implementation for
// code (and tests) that holds items of a folder without a model.

#include <QString>
#include <cstdint>
#include <memory>

#include "platform/namespace/IdList.h"
#include "platform/namespace/ShellFolder.h"

class FolderItemOwner {
public:
    virtual ~FolderItemOwner() = default;

    /// The folder object the items were enumerated from. Items use it for
    /// every question about themselves; it lives as long as the owner.
    virtual ShellFolder& OwnerShellFolder() = 0;
    /// The folder's absolute id list (the empty list for the Desktop).
    virtual const IdList& OwnerIdList() const = 0;
    /// The folder's parsing name: a file-system path, or the parsing string
    /// of a virtual folder.
    virtual const QString& OwnerPath() const = 0;
    /// The folder's attribute word, adjusted as the folder model adjusts it;
    /// it decides the folder kind (see FolderItem.h).
    virtual std::uint32_t OwnerAttributes() const = 0;
};

/// An owner made of its four parts.
class BoundFolder : public FolderItemOwner {
public:
    BoundFolder(std::unique_ptr<ShellFolder> folder, IdList idList, QString path,
                std::uint32_t attributes)
        : m_folder(std::move(folder)),
          m_idList(std::move(idList)),
          m_path(std::move(path)),
          m_attributes(attributes) {}

    /// Binds the folder an absolute id list names, with the attributes and
    /// parsing name the namespace gives it, adjusted as the folder model
    /// adjusts them when it opens a folder: an archive-like folder
    /// (SFGAO_FOLDER and SFGAO_BROWSABLE without SFGAO_FILESYSANCESTOR)
    /// loses SFGAO_FILESYSTEM, so it is a descriptor folder, and validates
    /// its cache; a file-system folder whose parent is a file-system folder
    /// too loses SFGAO_FILESYSANCESTOR (a plain directory); a folder with no
    /// parsing name loses SFGAO_FILESYSTEM. Null when it can't be bound.
    static std::unique_ptr<BoundFolder> Bind(const IdList& absolute);

    ShellFolder& OwnerShellFolder() override { return *m_folder; }
    const IdList& OwnerIdList() const override { return m_idList; }
    const QString& OwnerPath() const override { return m_path; }
    std::uint32_t OwnerAttributes() const override { return m_attributes; }
    void SetAttributes(std::uint32_t attributes) { m_attributes = attributes; }

private:
    std::unique_ptr<ShellFolder> m_folder;
    IdList m_idList;
    QString m_path;
    std::uint32_t m_attributes;
};
