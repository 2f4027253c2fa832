#include "platform/namespace/ShellNamespace.h"

#include <QtGlobal>

#include "platform/namespace/IconRegistry.h"

namespace {

std::unique_ptr<ShellNamespace>& Installed() {
    static std::unique_ptr<ShellNamespace> shell;
    return shell;
}

}  // namespace

ShellNamespace& Shell() {
    auto& shell = Installed();
    // Start-up installs the namespace before anything binds a folder; a
    // program or test that forgot is a programming error, not a state to
    // limp along in.
    if (!shell)
        qFatal("No shell namespace is installed");
    return *shell;
}

std::unique_ptr<ShellNamespace> InstallShellNamespace(std::unique_ptr<ShellNamespace> shell) {
    auto previous = std::move(Installed());
    Installed() = std::move(shell);
    return previous;
}

std::unique_ptr<ShellFolder> SHGetDesktopFolder() {
    return Shell().DesktopFolder();
}

IdList SHGetSpecialFolderLocation(int csidl) {
    return Shell().SpecialFolderLocation(csidl);
}

std::unique_ptr<ShellFolder> BindParentFolder(const IdList& absolute) {
    const int count = absolute.Count();
    if (count == 0)
        return nullptr;
    auto desktop = SHGetDesktopFolder();
    if (!desktop || count == 1)
        return desktop;
    return desktop->BindToObject(absolute.Trim(1));
}

std::optional<std::uint32_t> SHGetFileInfoAttributes(const IdList& absolute) {
    if (absolute.IsNull())
        return std::nullopt;
    if (absolute.IsEmpty())
        return Shell().DesktopAttributes();
    auto parent = BindParentFolder(absolute);
    if (!parent)
        return std::nullopt;
    const IdList last = absolute.Last();
    std::uint32_t attributes = ~std::uint32_t(0);
    if (!parent->GetAttributesOf(std::span<const IdList>(&last, 1), attributes)) {
        return std::nullopt;
    }
    return attributes;
}

int SHGetFileInfoIconIndex(const IdList& absolute, bool open) {
    if (absolute.IsNull())
        return -1;
    if (absolute.IsEmpty()) {
        auto desktop = SHGetDesktopFolder();
        return desktop ? desktop->GetIconIndex(absolute, open) : -1;
    }
    auto parent = BindParentFolder(absolute);
    return parent ? parent->GetIconIndex(absolute.Last(), open) : -1;
}

int SHGetFileInfoIconIndexForName(const QString& name, bool directory) {
    IconRegistry& icons = IconRegistry::Instance();
    return directory ? icons.FolderIndex(false) : icons.IndexForName(name);
}
