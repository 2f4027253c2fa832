#pragma once
// The MIME names under which Corvane's data objects, the clipboard and drag
// and drop carry shell data. The first three keep the layouts of the formats
// they stand for ("Shell IDList Array", "Preferred DropEffect",
// "FileNameMap"); the file-contents formats never leave the process: other
// programs are offered extracted temporary files instead.

#include <QString>

namespace ClipFormats {

/// Count, offsets, the parent's absolute list, then the items' relative lists
/// (ShellIdArray.h reads and writes it).
inline const QString kShellIdList = QStringLiteral("application/x-corvane-shell-idlist");
/// Four bytes, little-endian: the drop effect the source prefers.
inline const QString kPreferredDropEffect =
    QStringLiteral("application/x-corvane-preferred-dropeffect");
/// The items' original names, for items whose shown name differs (the trash).
inline const QString kFileNameMap = QStringLiteral("application/x-corvane-filenamemap");
/// In-process: the contents of one item of a descriptor folder.
inline const QString kFileContents = QStringLiteral("application/x-corvane-filecontents");
/// In-process: what items of a descriptor folder say of themselves.
inline const QString kFileGroupDescriptor =
    QStringLiteral("application/x-corvane-filegroupdescriptor");
inline const QString kFileGroupDescriptorW =
    QStringLiteral("application/x-corvane-filegroupdescriptorw");
/// Percent-encoded file URIs, one a line, each ended by CR LF.
inline const QString kUriList = QStringLiteral("text/uri-list");
/// UTF-8 text.
inline const QString kText = QStringLiteral("text/plain");
/// "copy" or "cut", a line feed, then the URIs one a line with no line feed
/// after the last.
inline const QString kGnomeCopiedFiles = QStringLiteral("x-special/gnome-copied-files");
/// "1" when the selection was cut.
inline const QString kKdeCutSelection = QStringLiteral("application/x-kde-cutselection");
/// Read on paste only; the layout of kGnomeCopiedFiles.
inline const QString kMateCopiedFiles = QStringLiteral("x-special/mate-copied-files");

}  // namespace ClipFormats
