#include "shell/FolderItemOwner.h"

#include "platform/namespace/ShellNamespace.h"
#include "platform/namespace/ShellTypes.h"
#include "shell/ShellContext.h"

namespace {

constexpr std::uint32_t kArchiveTest = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_BROWSABLE;
constexpr std::uint32_t kArchiveLike = SFGAO_FOLDER | SFGAO_BROWSABLE;

}  // namespace

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
    // An archive-like folder (a folder to browse, not a file-system
    // ancestor) is a descriptor folder, even where its file is a file of the
    // file system: its entries describe themselves. It validates its view
    // of the archive now, as on every open.
    if ((kind & kArchiveTest) == kArchiveLike) {
        kind &= ~std::uint32_t(SFGAO_FILESYSTEM);
        std::uint32_t validate = SFGAO_VALIDATE;
        folder->GetAttributesOf({}, validate);
    }
    if ((kind & SFGAO_FILESYSTEM) && (kind & SFGAO_FILESYSANCESTOR) && !absolute.IsEmpty()) {
        const std::optional<std::uint32_t> parent = SHGetFileInfoAttributes(absolute.Trim(1));
        if (parent && (*parent & SFGAO_FILESYSTEM))
            kind &= ~std::uint32_t(SFGAO_FILESYSANCESTOR);
    }
    QString path = AbsoluteDisplayName(absolute, SHGDN_FORPARSING).value_or(QString());
    // A folder without a parsing name is reached by nothing but its id.
    if (path.isEmpty())
        kind &= ~std::uint32_t(SFGAO_FILESYSTEM);
    return std::make_unique<BoundFolder>(std::move(folder), absolute, std::move(path), kind);
}
