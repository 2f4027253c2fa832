#pragma once
// FileSystemDropTarget: what takes a drop or a paste into a directory when
// its folder object offers no drop target of its own. It does what the
// desktop does with a drop onto a folder:
//   - the effect is the desktop's (ShellDropEffect: move within one volume,
//     copy across volumes, Shift move, Ctrl copy, Ctrl+Shift link), among
//     the effects allowed; a move into the folder the items come from, and
//     anything without file paths or file contents, is refused (effect 0);
//   - copy and move go through the file-operation engine (so conflicts are
//     asked, a copy into its own folder gets a free name, nothing is lost);
//   - link makes symbolic links to the items' absolute paths, named as the
//     items, or "name (link)", "name (link 2)", ... when the name is taken
//     (made with symlink(2), which never replaces anything);
//   - items that exist only as contents streams (the entries of an archive)
//     are written into a fresh private temporary folder first and copied
//     from there by the engine, then the temporary folder is removed: the
//     target gets whole files or nothing, and questions are the engine's.
//     Entries above "nMaxExtractSize" are extracted too: the limit is for
//     viewing, not for copying. Entries of an archive folder of this
//     program are extracted by an ArchiveExtractor: folders with their whole
//     sub-tree, every entry with its times and mode, in one pass over the
//     archive, with a progress dialog that can cancel. Other contents
//     streams are written one by one with the descriptors' times; a folder
//     descriptor of those has no contents and is not copied. What could not
//     be extracted is listed in one warning; a top item that failed in
//     part is not copied at all.
// Main thread only (the engine runs there).

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "platform/namespace/ShellFolder.h"

class FileSystemDropTarget : public ShellDropTarget {
public:
    /// `folder`: the directory's absolute path (decoded bytes).
    explicit FileSystemDropTarget(QString folder);

    bool DragEnter(const ShellDataObject& data, std::uint32_t keyState, QPoint point,
                   std::uint32_t& effect) override;
    bool DragOver(std::uint32_t keyState, QPoint point, std::uint32_t& effect) override;
    void DragLeave() override;
    /// Carries the drop out with the effect the key state and the allowed
    /// effects give. True when at least one item arrived.
    bool Drop(const ShellDataObject& data, std::uint32_t keyState, QPoint point,
              std::uint32_t& effect) override;

    const QString& Folder() const { return m_folder; }

private:
    std::uint32_t EffectFor(const ShellDataObject& data, std::uint32_t keyState,
                            std::uint32_t allowed) const;
    bool CopyOrMove(const QStringList& paths, bool move);
    bool Link(const QStringList& paths);
    bool Extract(const ShellDataObject& data);
    // Items of a remote folder without a local path, copied in by GIO.
    bool CopyOrMoveRemote(const QStringList& uris, bool move);
    // The archive's way; nullopt when the items are no archive entries.
    std::optional<QStringList> ExtractFromArchive(const ShellDataObject& data,
                                                  const QByteArray& temp, QStringList* errors,
                                                  bool* cancelled);
    QStringList ExtractStreams(const ShellDataObject& data,
                               const std::vector<FileDescriptor>& descriptors,
                               const QByteArray& temp, QStringList* errors);
    void ReportExtractErrors(const QStringList& errors);

    QString m_folder;
    // What DragEnter learned, for DragOver.
    QStringList m_enteredPaths;
    bool m_enteredContents = false;
    bool m_enteredRemote = false;
    std::uint32_t m_enteredAllowed = 0;
};

/// The texts of a failed extraction.
inline const QString kExtractFailed =
    QStringLiteral("Some items could not be copied out of the archive:");
inline const QString kFolderWithoutContents =
    QStringLiteral("a folder whose contents are not offered; not copied");
inline const QString kNoContentsGiven = QStringLiteral("no contents are offered for it");

/// Makes a symbolic link in `folder` to `target` (absolute), named after the
/// target's last component, or "name (link)", "name (link 2)", ... when that
/// name is taken. The link's path, or empty (errno set) on failure.
QString MakeLinkIn(const QString& folder, const QString& target);
