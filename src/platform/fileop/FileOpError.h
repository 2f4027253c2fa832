#pragma once
// What went wrong in a file operation: the step that failed, the item it
// was done for and the system's error code, kept together from the failing
// call to the question the user answers. errno is read once, where the
// call failed, so a later call (a close, an unlink of a temporary) can't
// replace it on the way.

#include <QByteArray>
#include <QString>

/// The step of a file operation that failed. Each names the sentence the
/// user reads; the item is shown by its name, or by its whole path for the
/// steps about the target folder and the refusals of sources.
enum class FileOpStep {
    // The target folder (shown whole).
    TargetNotAbsolute,
    OpenTarget,
    MakeTargetFolder,
    TargetNotFolder,
    FlushCopies,
    FinishWrites,
    // Refusals of a source.
    FindSource,
    CopyIntoItself,
    MoveIntoItself,
    CopyOntoItself,
    MoveOntoItself,
    NoFreeName,
    // Copying one item.
    ReadFile,
    CreateCopy,
    CopyData,
    SetCopyAttributes,
    WriteCopy,
    ReadLink,
    CreateLinkCopy,
    CreateSpecialCopy,
    CopyNameTaken,
    PlaceCopy,
    // Folders, moving and deleting.
    ReadFolder,
    MakeFolder,
    SetFolderAttributes,
    Move,
    MoveNameTaken,
    RemoveMovedSource,
    ChangedWhileDeleting,
    Delete,
    Trash,
    /// Not a failure: the user cancelled part way; nothing is shown.
    Cancelled,
};

class FileOpError {
public:
    /// `code` is an errno value, or 0 when the step says it all.
    FileOpError(FileOpStep step, QByteArray path, int code = 0)
        : m_step(step), m_path(std::move(path)), m_code(code) {}
    /// The step failed just now: the code is the current errno.
    static FileOpError FromErrno(FileOpStep step, QByteArray path);
    static FileOpError Cancel() { return FileOpError(FileOpStep::Cancelled, {}); }

    /// A description of its own instead of the system's text for the code
    /// (the trash's reason).
    FileOpError& WithDetail(QString detail) {
        m_detail = std::move(detail);
        return *this;
    }

    /// The item was being copied as part of a move (to another volume): the
    /// sentences of copying say "move", which is what the user asked for.
    FileOpError& WhileMoving(bool moving = true) {
        m_moving = moving;
        return *this;
    }
    FileOpStep Step() const { return m_step; }
    const QByteArray& Path() const { return m_path; }
    int Code() const { return m_code; }
    bool IsCancel() const { return m_step == FileOpStep::Cancelled; }

    /// The sentence for the user, and below it, after an empty line, the
    /// detail or the system's text for the code when there is one.
    QString Text() const;

private:
    FileOpStep m_step;
    QByteArray m_path;
    int m_code = 0;
    bool m_moving = false;
    QString m_detail;
};
