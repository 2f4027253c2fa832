#pragma once
// What a file operation is asked to do and what it reports back, and the
// answers of its questions by index. Values only: the engine's parts and
// their tests share them without the operation itself.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

/// What to do: the function, the sources and the target, and the flags the
/// program passes.
struct FileOpRequest {
    enum Func { Copy, Move, Delete };
    Func func = Copy;
    /// Absolute paths, raw bytes; a trailing "/" is ignored. Duplicates are
    /// done once.
    std::vector<QByteArray> sources;
    /// Copy and Move: the folder the sources go into (absolute, raw bytes).
    /// Unused for Delete.
    QByteArray targetFolder;
    /// Delete: move to the trash instead of deleting for good. An item whose
    /// volume has no trash is not deleted for good without a question, even
    /// with noConfirmation. No effect on Copy and Move.
    bool allowUndo = false;
    /// Answer every question with its "yes to all" answer: conflicts are
    /// overwritten (folders merged), the delete confirmation is not asked,
    /// a missing target folder is made. Errors are still asked.
    bool noConfirmation = false;
    /// On a conflict of a source (not of a file inside a merged folder),
    /// give the new item a free name ("name (copy).ext", then
    /// "name (copy 2).ext", ...) instead of asking. Also allows copying an
    /// item into its own folder.
    bool renameOnCollision = false;
    /// Make a missing target folder (and its parents) without asking.
    bool noConfirmMkdir = false;
    /// No progress dialog (the questions are still asked).
    bool silent = false;
};

/// What happened. Every source is in exactly one of done, partial and
/// notDone.
struct FileOpResult {
    /// The user chose Cancel (in a question or the progress dialog); items
    /// not reached were not touched.
    bool aborted = false;
    /// At least one item failed, was refused or was skipped after an error.
    bool anyFailed = false;
    /// At least one item was skipped at a conflict (the user's choice).
    bool anySkipped = false;
    /// Sources carried out whole: source -> final path (which differs from
    /// targetFolder/name when a free name was given). Delete: source -> an
    /// empty path.
    std::vector<std::pair<QByteArray, QByteArray>> done;
    /// Folders carried out in part (something inside was skipped, failed or
    /// cancelled): source -> the target folder made or merged into. For a
    /// move or delete the source folder still holds what was not done.
    std::vector<std::pair<QByteArray, QByteArray>> partial;
    /// Sources not done at all (refused, skipped, failed, not reached).
    std::vector<QByteArray> notDone;
    /// The user-facing texts of the errors and refusals, in order.
    QStringList errors;

    /// True when everything asked for was done.
    bool Succeeded() const {
        return !aborted && !anyFailed && !anySkipped && partial.empty() && notDone.empty();
    }
};

/// The answers of the conflict question, by index (for scripted answers in
/// tests: ScriptedPrompter::AnswerChoice(int(ConflictChoice::Skip))). When
/// the existing item can't be replaced by the new one (a file onto a folder,
/// a folder onto a file) the question has no Overwrite answers: its answers
/// are then Skip, SkipAll, KeepBoth, Cancel, numbered from 0.
enum class ConflictChoice { Overwrite = 0, OverwriteAll, Skip, SkipAll, KeepBoth, Cancel };
/// The answers of the per-file error question, by index.
enum class ErrorChoice { Retry = 0, Skip, SkipAll, Cancel };
/// The answers when an item can't go to the trash because its volume has
/// none, by index.
enum class NoTrashChoice { DeleteForGood = 0, DeleteAllForGood, Skip, Cancel };
