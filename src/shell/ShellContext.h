#pragma once
// ShellContext: the process-wide shell state every folder model relies on,
// and the display-name and parsing helpers that go through the Desktop.
//
// The context is filled the first time a folder model is made
// (EnsureShellContext) and kept to the end of the process. It counts as ready
// only when the Desktop folder and the id lists of the desktop directory and
// of Computer were all obtained; until then every EnsureShellContext() tries
// the whole filling again. Only the main thread uses it.

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/IdList.h"
#include "platform/namespace/ShellFolder.h"

struct ShellContext {
    bool ready = false;

    /// The Desktop folder (the root of the namespace).
    std::unique_ptr<ShellFolder> desktop;
    /// Absolute id list of the desktop directory (CSIDL_DESKTOPDIRECTORY).
    IdList desktopDirectory;
    /// Absolute id list of Computer (CSIDL_DRIVES).
    IdList drives;

    /// Set when a folder's normal display name is only its last component,
    /// so that plain directories are titled by their full path instead. That
    /// is always so in Corvane's namespace.
    bool PathTitles = true;

    /// The seven shell clipboard formats, as the MIME names the data objects
    /// use ("FileNameMap" and "FileNameMapW" share one name: our names are
    /// always Unicode).
    QString cfShellIdList;
    QString cfPreferredDropEffect;
    QString cfFileNameMap;
    QString cfFileNameMapW;
    QString cfFileContents;
    QString cfFileGroupDescriptor;
    QString cfFileGroupDescriptorW;

    /// The icon registry that stands for the small and the large system
    /// image list (each of its icons has both sizes, and it draws the share
    /// and link overlays itself); null until filled.
    IconRegistry* images = nullptr;
    /// Fallback icon indexes into `images`: a file of unknown type, an
    /// executable, a folder. Before filling: the registry's standard ones.
    int GenericFileIcon = IconRegistry::GenericFileIcon;
    int ExeIcon = IconRegistry::ExeIcon;
    int FolderIcon = IconRegistry::FolderIcon;
};

/// The process-wide context, ready or not. Never null.
ShellContext& TheShellContext();

/// Fills the context unless it is ready; true when it is ready afterwards.
/// Cost: a few namespace calls on the first success, nothing afterwards.
bool EnsureShellContext();

/// Forgets the context, so that the next EnsureShellContext() fills it from
/// the namespace installed then (tests replace the namespace).
void ResetShellContext();

/// The context's Desktop folder when the context is ready, else nullptr.
ShellFolder* ContextDesktop();

/// The display name of an item of `folder` (`item` relative to it; the
/// empty list names the folder itself) with SHGDN_ flags: SHGDN_NORMAL,
/// SHGDN_INFOLDER or SHGDN_FORPARSING. nullopt when the folder gives none;
/// never a partial name. The result is a value of its own.
std::optional<QString> ShellDisplayName(ShellFolder& folder, const IdList& item,
                                        std::uint32_t flags);

/// The absolute id list of a path or parsing name, as the Desktop's
/// ParseDisplayName gives it; null when the namespace can't parse the text.
IdList ParsePath(const QString& text);

/// The display name of an absolute id list asked of the Desktop (the
/// Desktop itself for the empty list). nullopt when it has none.
std::optional<QString> AbsoluteDisplayName(const IdList& absolute, std::uint32_t flags);
