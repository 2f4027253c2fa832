#pragma once
// RenameBatch: carries out a planned multi-rename in one folder, and undoes
// it.
//
// Every step is renameat2(RENAME_NOREPLACE) relative to the folder, so a
// file that appeared under a new name since the preview is never replaced:
// that step fails instead. The batch stops at the first failure; a row
// parked under a temporary name at that moment is put back under its old
// name (when that is still free), so no file is left under a name the user
// never chose. The result lists what was renamed, in order, and says what
// failed in words for the user.
//
// Undo renames the rows that were done back to their old names, planned the
// same way (swaps and cycles included). Names are bytes (NameToBytes).
// Main thread; one folder.

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "tools/RenameMask.h"

namespace RenameTexts {
inline const QString kFailed = QStringLiteral("\"%1\" could not be renamed to \"%2\": %3");
inline const QString kStoppedDone =
    QStringLiteral("Renaming stopped there. %1 of %2 items were renamed:");
inline const QString kStoppedNone = QStringLiteral("Renaming stopped there; nothing was renamed.");
inline const QString kLeftAsTemp =
    QStringLiteral("\"%1\" is now called \"%2\": its old name was taken meanwhile.");
}  // namespace RenameTexts

/// The system call, a seam for tests: renames `from` to `to` in the folder
/// (both plain names, raw bytes) without replacing; 0 or an errno value.
using RenameCall = std::function<int(int folderFd, const QByteArray& from, const QByteArray& to)>;

/// renameat2 with RENAME_NOREPLACE (link and unlink where the file system
/// lacks it is not done: replacing would be possible then).
int RenameNoReplace(int folderFd, const QByteArray& from, const QByteArray& to);

struct RenameOutcome {
    /// The rows renamed, old name -> new name, in the order they arrived.
    std::vector<std::pair<QString, QString>> done;
    /// The first failure in words (empty when all were done).
    QString error;
    /// Items left under a temporary name (could not be put back).
    QStringList strays;
    bool Succeeded() const { return error.isEmpty(); }
    /// The whole report for a message box: the error, then what was done.
    QString Report(int total) const;
};

/// Renames `rows` (conflict-free; see MarkRenameConflicts) inside `folder`
/// (absolute, decoded). `existing` is every name in the folder now (for
/// the temporary names). `call` defaults to RenameNoReplace.
RenameOutcome RunRenameBatch(const QString& folder, const std::vector<RenameRow>& rows,
                             const QSet<QString>& existing, const RenameCall& call = {});

/// The rows that undo `done`: each new name back to its old one.
std::vector<RenameRow> UndoRows(const RenameOutcome& done);

/// Every name in `folder` now (one read of the directory); empty when it
/// can't be read.
QSet<QString> FolderNames(const QString& folder);
