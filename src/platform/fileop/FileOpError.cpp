#include "platform/fileop/FileOpError.h"

#include <cerrno>

#include "platform/fileop/FileOpPaths.h"

using namespace fileop;

namespace {

// The sentence of each step, with "%1" where the item goes, and whether the
// item is shown by its whole path.
struct StepText {
    const char* text;
    bool wholePath;
};

StepText TextOf(FileOpStep step) {
    switch (step) {
        case FileOpStep::TargetNotAbsolute:
            return {QT_TRANSLATE_NOOP("FileOperation",
                                      "The target folder \"%1\" is not an absolute path."),
                    true};
        case FileOpStep::OpenTarget:
            return {QT_TRANSLATE_NOOP("FileOperation", "Can't open the target folder \"%1\"."),
                    true};
        case FileOpStep::MakeTargetFolder:
            return {QT_TRANSLATE_NOOP("FileOperation", "Can't create the folder \"%1\"."), true};
        case FileOpStep::TargetNotFolder:
            return {QT_TRANSLATE_NOOP("FileOperation", "The target \"%1\" is not a folder."), true};
        case FileOpStep::FlushCopies:
            return {QT_TRANSLATE_NOOP("FileOperation",
                                      "Can't make sure that the copies in \"%1\" are written; "
                                      "their originals are kept."),
                    true};
        case FileOpStep::FinishWrites:
            return {QT_TRANSLATE_NOOP("FileOperation", "Writing to \"%1\" may not have completed."),
                    true};
        case FileOpStep::FindSource:
            return {QT_TRANSLATE_NOOP("FileOperation", "Can't find \"%1\"."), true};
        case FileOpStep::CopyIntoItself:
            return {QT_TRANSLATE_NOOP(
                        "FileOperation",
                        "Can't copy the folder \"%1\" into itself or one of its own folders."),
                    false};
        case FileOpStep::MoveIntoItself:
            return {QT_TRANSLATE_NOOP(
                        "FileOperation",
                        "Can't move the folder \"%1\" into itself or one of its own folders."),
                    false};
        case FileOpStep::CopyOntoItself:
            return {QT_TRANSLATE_NOOP("FileOperation", "Can't copy \"%1\" onto itself."), false};
        case FileOpStep::MoveOntoItself:
            return {QT_TRANSLATE_NOOP("FileOperation",
                                      "Can't move \"%1\": it is already in the target folder."),
                    false};
        case FileOpStep::NoFreeName:
            return {
                QT_TRANSLATE_NOOP("FileOperation", "Can't find a free name for a copy of \"%1\"."),
                false};
        case FileOpStep::ReadFile:
            return {QT_TRANSLATE_NOOP("FileOperation", "Can't read \"%1\"."), false};
        case FileOpStep::CreateCopy:
            return {QT_TRANSLATE_NOOP("FileOperation", "Can't create the copy of \"%1\"."), false};
        case FileOpStep::CopyData:
            return {QT_TRANSLATE_NOOP("FileOperation", "Can't copy \"%1\"."), false};
        case FileOpStep::SetCopyAttributes:
            return {QT_TRANSLATE_NOOP("FileOperation",
                                      "Can't set the attributes of the copy of \"%1\"."),
                    false};
        case FileOpStep::WriteCopy:
            return {QT_TRANSLATE_NOOP("FileOperation", "Can't write the copy of \"%1\"."), false};
        case FileOpStep::ReadLink:
            return {QT_TRANSLATE_NOOP("FileOperation", "Can't read the link \"%1\"."), false};
        case FileOpStep::CreateLinkCopy:
            return {QT_TRANSLATE_NOOP("FileOperation", "Can't create the copy of the link \"%1\"."),
                    false};
        case FileOpStep::CreateSpecialCopy:
            return {QT_TRANSLATE_NOOP("FileOperation",
                                      "Can't create the copy of the special file \"%1\"."),
                    false};
        case FileOpStep::CopyNameTaken:
            return {QT_TRANSLATE_NOOP(
                        "FileOperation",
                        "Can't copy \"%1\": an item of that name appeared in the target folder."),
                    false};
        case FileOpStep::PlaceCopy:
            return {QT_TRANSLATE_NOOP("FileOperation", "Can't put the copy of \"%1\" in place."),
                    false};
        case FileOpStep::ReadFolder:
            return {QT_TRANSLATE_NOOP("FileOperation", "Can't read the folder \"%1\"."), false};
        case FileOpStep::MakeFolder:
            return {QT_TRANSLATE_NOOP("FileOperation", "Can't create the folder \"%1\"."), false};
        case FileOpStep::SetFolderAttributes:
            return {QT_TRANSLATE_NOOP("FileOperation",
                                      "Can't set the attributes of the folder \"%1\"."),
                    false};
        case FileOpStep::Move:
            return {QT_TRANSLATE_NOOP("FileOperation", "Can't move \"%1\"."), false};
        case FileOpStep::MoveNameTaken:
            return {QT_TRANSLATE_NOOP(
                        "FileOperation",
                        "Can't move \"%1\": an item of that name appeared in the target folder."),
                    false};
        case FileOpStep::RemoveMovedSource:
            return {QT_TRANSLATE_NOOP("FileOperation",
                                      "\"%1\" was copied but can't be removed from its folder."),
                    false};
        case FileOpStep::ChangedWhileDeleting:
            return {QT_TRANSLATE_NOOP(
                        "FileOperation",
                        "\"%1\" changed while it was being deleted; it is left as it is."),
                    false};
        case FileOpStep::Delete:
            return {QT_TRANSLATE_NOOP("FileOperation", "Can't delete \"%1\"."), false};
        case FileOpStep::Trash:
            return {QT_TRANSLATE_NOOP("FileOperation", "Can't move \"%1\" to the trash."), false};
        case FileOpStep::Cancelled:
            break;
    }
    return {nullptr, false};
}

}  // namespace

FileOpError FileOpError::FromErrno(FileOpStep step, QByteArray path) {
    return FileOpError(step, std::move(path), errno);
}

QString FileOpError::Text() const {
    FileOpStep shown = m_step;
    if (m_moving) {
        // A move to another volume copies; the user asked for a move.
        if (shown == FileOpStep::CopyData)
            shown = FileOpStep::Move;
        else if (shown == FileOpStep::CopyNameTaken)
            shown = FileOpStep::MoveNameTaken;
    }
    const StepText step = TextOf(shown);
    if (!step.text)
        return {};
    QString text = Tr(step.text).arg(step.wholePath ? ShownPath(m_path) : Shown(m_path));
    const QString below = !m_detail.isEmpty() ? m_detail : m_code ? ErrnoText(m_code) : QString();
    if (!below.isEmpty())
        text += QStringLiteral("\n\n") + below;
    return text;
}
