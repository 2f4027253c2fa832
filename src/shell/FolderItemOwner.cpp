#include "shell/FolderItemOwner.h"

#include "platform/shell/ShellNamespace.h"
#include "platform/shell/ShellTypes.h"
#include "shell/ShellContext.h"

std::unique_ptr<BoundFolder> BoundFolder::Bind(const IdList& absolute) {
    if (absolute.IsNull())
        return nullptr;
    std::unique_ptr<ShellFolder> folder = SHGetDesktopFolder();
    if (folder && !absolute.IsEmpty())
        folder = folder->BindToObject(absolute);
    if (!folder)
        return nullptr;
    const std::optional<std::uint32_t> attributes = SHGetFileInfoAttributes(absolute);
    if (!attributes)
        return nullptr;
    std::uint32_t kind = *attributes;
    if ((kind & SFGAO_FILESYSTEM) && (kind & SFGAO_FILESYSANCESTOR) && !absolute.IsEmpty()) {
        const std::optional<std::uint32_t> parent = SHGetFileInfoAttributes(absolute.Trim(1));
        if (parent && (*parent & SFGAO_FILESYSTEM))
            kind &= ~std::uint32_t(SFGAO_FILESYSANCESTOR);
    }
    QString path = AbsoluteDisplayName(absolute, SHGDN_FORPARSING).value_or(QString());
    return std::make_unique<BoundFolder>(std::move(folder), absolute, std::move(path), kind);
}
