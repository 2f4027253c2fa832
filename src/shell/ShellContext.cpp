#include "shell/ShellContext.h"

#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/ShellNamespace.h"
#include "platform/namespace/ShellTypes.h"

namespace {

ShellContext& Instance() {
    static ShellContext context;
    return context;
}

// The Desktop for one call: the context's when it is ready, else a fresh
// object held by `holder`.
ShellFolder* DesktopFor(std::unique_ptr<ShellFolder>& holder) {
    if (ShellFolder* desktop = ContextDesktop())
        return desktop;
    holder = SHGetDesktopFolder();
    return holder.get();
}

void FillFormats(ShellContext& c) {
    c.cfShellIdList = ClipFormats::kShellIdList;
    c.cfPreferredDropEffect = ClipFormats::kPreferredDropEffect;
    c.cfFileNameMap = ClipFormats::kFileNameMap;
    c.cfFileNameMapW = ClipFormats::kFileNameMap;
    c.cfFileContents = ClipFormats::kFileContents;
    c.cfFileGroupDescriptor = ClipFormats::kFileGroupDescriptor;
    c.cfFileGroupDescriptorW = ClipFormats::kFileGroupDescriptorW;
}

void FillIcons(ShellContext& c) {
    IconRegistry& icons = IconRegistry::Instance();
    c.images = &icons;
    // A name of no known type gets the icon of an unknown file.
    c.GenericFileIcon = SHGetFileInfoIconIndexForName(QStringLiteral("*.vellimor"), false);
    if (c.GenericFileIcon < 0)
        c.GenericFileIcon = IconRegistry::GenericFileIcon;
    // Executables are known by their mode here, not by a suffix, so the
    // registry's own executable icon serves rather than that of "*.exe".
    c.ExeIcon = IconRegistry::ExeIcon;
    c.FolderIcon = SHGetFileInfoIconIndexForName(QStringLiteral("folder"), true);
    if (c.FolderIcon < 0)
        c.FolderIcon = icons.FolderIndex(false);
}

}  // namespace

ShellContext& TheShellContext() {
    return Instance();
}

bool EnsureShellContext() {
    ShellContext& c = Instance();
    if (c.ready)
        return true;

    c.desktop = SHGetDesktopFolder();
    c.desktopDirectory = SHGetSpecialFolderLocation(CSIDL_DESKTOPDIRECTORY);
    c.drives = SHGetSpecialFolderLocation(CSIDL_DRIVES);
    c.ready = c.desktop && !c.desktopDirectory.IsNull() && !c.drives.IsNull();

    // A folder's normal name is only its last component in our namespace
    // (shorter than its path), so plain directories are always titled by
    // their full path.
    c.PathTitles = true;
    FillFormats(c);
    FillIcons(c);
    return c.ready;
}

void ResetShellContext() {
    Instance() = ShellContext();
}

ShellFolder* ContextDesktop() {
    ShellContext& c = Instance();
    return c.ready ? c.desktop.get() : nullptr;
}

std::optional<QString> ShellDisplayName(ShellFolder& folder, const IdList& item,
                                        std::uint32_t flags) {
    if (item.IsNull())
        return std::nullopt;
    return folder.GetDisplayNameOf(item, flags);
}

IdList ParsePath(const QString& text) {
    std::unique_ptr<ShellFolder> holder;
    ShellFolder* desktop = DesktopFor(holder);
    if (!desktop || text.isEmpty())
        return {};
    return desktop->ParseDisplayName(text);
}

std::optional<QString> AbsoluteDisplayName(const IdList& absolute, std::uint32_t flags) {
    if (absolute.IsNull())
        return std::nullopt;
    std::unique_ptr<ShellFolder> holder;
    ShellFolder* desktop = DesktopFor(holder);
    if (!desktop)
        return std::nullopt;
    if (auto name = ShellDisplayName(*desktop, absolute, flags))
        return name;
    // A namespace whose Desktop names only its own children is still asked
    // the right question: the last item, of its parent folder.
    if (absolute.Count() < 2)
        return std::nullopt;
    std::unique_ptr<ShellFolder> parent = desktop->BindToObject(absolute.Trim(1));
    if (!parent)
        return std::nullopt;
    return ShellDisplayName(*parent, absolute.Last(), flags);
}
