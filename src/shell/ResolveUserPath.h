#pragma once
// ResolveUserPath: what a typed path (address bar, target dialog, command
// line) names in the namespace.

#include <QString>
#include <cstdint>

#include "platform/namespace/IdList.h"

/// Flag bits of ResolvedPath::flags.
enum : std::uint32_t {
    kResolveFailed = 0x01,    // nothing could be resolved
    kResolveFilter = 0x02,    // the last component held "*" or "?" and was split off
    kResolveFile = 0x04,      // the target is a file (to be focused in its folder)
    kResolveFolder = 0x08,    // the target is a folder
    kResolveCurrent = 0x10,   // nothing but a filter was left: the current directory
    kResolveRelative = 0x20,  // the text was relative to the current directory
    kResolveRooted = 0x40,    // resolved as an absolute path or by the namespace
};

struct ResolvedPath {
    IdList idList;  // absolute; null when none
    std::uint32_t flags = 0;
};

/// Turns a typed text into an absolute id list:
/// 1. Leading white space goes, "~" and "~/..." become the home folder; an
///    empty text gives 0x18 and no list.
/// 2. A "*" or "?" in the text splits off the last component as a filter
///    (0x02); one in the folder part fails (0x01); a bare pattern gives 0x12
///    and no list (the caller filters the folder it shows).
/// 3. A text the namespace parses gives its list with 0x48 (folder) or 0x44.
/// 4. Otherwise the text is a file-system path: an existing file names its
///    folder (0x04; with a filter that fails), else the text is a folder
///    (0x08 unless a flag is already set).
/// 5. What is left resolves to a folder: nothing left is the current
///    directory (0x10); an absolute path ("/...") or a "::" parsing name is
///    taken as it is (0x40); anything else is entered from the current
///    directory (0x20).
/// 6. A file's name is joined back; a text the namespace can't parse fails.
/// The process's current directory is the same after the call as before,
/// whatever happens (even when it was removed meanwhile: it is held open).
/// A failure gives exactly 0x01 and no list.
ResolvedPath ResolveUserPath(const QString& text);

/// The folder path a typed text names: leading white space removed,
/// ResolveUserPath, and, when that gives a list with the folder flag (0x08),
/// its parsing name; else an empty text.
QString FolderPathOf(const QString& text);
