#pragma once
// The questions a file operation asks, through the prompter service
// (platform/ui/Prompter.h), and the answers "for all" it remembers for the
// rest of the operation: the per-item error, the conflict, the volume
// without a trash, the delete confirmation, the missing target folder, and
// the warnings that need no answer.
//
// Every error and warning text shown (or skipped silently after "Skip all")
// is added to the operation's list of errors, in order. Main thread only.

#include <sys/stat.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <functional>
#include <vector>

class FileOpError;
class QWidget;
struct FileOpNode;

class FileOpQuestions {
public:
    enum class ErrorAnswer { Retry, Skip, Cancel };
    enum class ConflictAnswer { Overwrite, Skip, KeepBoth, Cancel };
    enum class NoTrashAnswer { DeleteForGood, Skip, Cancel };

    /// `title` heads every question; `errors` receives the texts;
    /// `promptParent` gives the window the questions belong to (the progress
    /// dialog while it is shown). `noConfirmation`: conflicts that allow it
    /// are answered Overwrite (Merge for two folders) without asking.
    FileOpQuestions(QString title, bool noConfirmation, QStringList& errors,
                    std::function<QWidget*()> promptParent);

    /// Retry (when `canRetry`), Skip, Skip all or Cancel. After Skip all,
    /// later errors are skipped without asking.
    ErrorAnswer AskError(const FileOpError& error, bool canRetry = true);
    /// What to do about `existing` at `target`, in the way of `node`. Two
    /// folders: Merge or Merge all; two files: Overwrite or Overwrite all
    /// (with both sizes and times); otherwise neither. Then Skip, Skip all,
    /// Keep both, Cancel. `placedHere`: the same operation put `existing`
    /// there (two sources of one name); such a file is never overwritten
    /// without being asked, whatever "for all" answer or the no-confirmation
    /// flag say, since that would lose one of the sources.
    ConflictAnswer AskConflict(const FileOpNode& node, const struct stat& existing,
                               const QByteArray& target, bool placedHere = false);
    /// The item at `path` can't go to the trash (its volume has none):
    /// delete it for good (this once or for all), skip it, or cancel.
    NoTrashAnswer AskNoTrash(const QByteArray& path, const QString& reason);
    /// The delete confirmation for the items at `paths`, naming them: one by
    /// its name; several by the first kDeleteNamesShown names, then "and N
    /// more", so that nothing is deleted unseen. True for Yes.
    bool ConfirmDelete(const std::vector<QByteArray>& paths, bool toTrash);
    static constexpr std::size_t kDeleteNamesShown = 5;
    /// Whether to make the missing target folder `path`.
    bool ConfirmMakeFolder(const QByteArray& path);
    /// A warning with OK only.
    void Warn(const QString& text);

private:
    QString m_title;
    bool m_noConfirmation;
    QStringList& m_errors;
    std::function<QWidget*()> m_promptParent;
    bool m_overwriteAll = false, m_mergeAll = false, m_skipAll = false;
    bool m_errorSkipAll = false, m_forGoodAll = false;
};
