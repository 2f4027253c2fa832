#include "platform/fileop/FileOpQuestions.h"

#include <QDateTime>
#include <QLocale>

#include "platform/fileop/FileOpError.h"
#include "platform/fileop/FileOpIo.h"
#include "platform/fileop/FileOpPaths.h"
#include "platform/fileop/FileOpRequest.h"
#include "platform/fileop/FileOperationPlan.h"
#include "platform/ui/Prompter.h"

using namespace fileop;

namespace {

QString SizeText(const struct stat& st) {
    return QLocale().formattedDataSize(qint64(st.st_size), 1, QLocale::DataSizeTraditionalFormat);
}

QString TimeText(const struct stat& st) {
    return QLocale().toString(QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec),
                              QLocale::ShortFormat);
}

QString KindText(const struct stat& st) {
    return S_ISDIR(st.st_mode) ? Tr("a folder") : Tr("a file");
}

}  // namespace

FileOpQuestions::FileOpQuestions(QString title, bool noConfirmation, QStringList& errors,
                                 std::function<QWidget*()> promptParent)
    : m_title(std::move(title)),
      m_noConfirmation(noConfirmation),
      m_errors(errors),
      m_promptParent(std::move(promptParent)) {}

void FileOpQuestions::Warn(const QString& text) {
    m_errors.append(text);
    PromptRequest request;
    request.text = text;
    request.title = m_title;
    request.icon = PromptIcon::Warning;
    request.parent = m_promptParent();
    Prompts().MessageBox(request);
}

FileOpQuestions::ErrorAnswer FileOpQuestions::AskError(const FileOpError& error, bool canRetry) {
    const QString full = error.Text();
    if (m_errorSkipAll) {
        m_errors.append(full);
        return ErrorAnswer::Skip;
    }
    ChoiceRequest request;
    request.text = full;
    request.title = m_title;
    request.icon = PromptIcon::Error;
    request.parent = m_promptParent();
    QList<ErrorChoice> choices;
    if (canRetry)
        choices.append(ErrorChoice::Retry);
    choices.append({ErrorChoice::Skip, ErrorChoice::SkipAll, ErrorChoice::Cancel});
    for (ErrorChoice choice : choices) {
        switch (choice) {
            case ErrorChoice::Retry:
                request.answers.append(Tr("&Retry"));
                break;
            case ErrorChoice::Skip:
                request.answers.append(Tr("&Skip"));
                break;
            case ErrorChoice::SkipAll:
                request.answers.append(Tr("S&kip all"));
                break;
            case ErrorChoice::Cancel:
                request.answers.append(Tr("Cancel"));
                break;
        }
    }
    request.defaultAnswer = 0;
    request.escapeAnswer = int(choices.size()) - 1;
    const int index = Prompts().Choose(request);
    const ErrorChoice choice =
        index >= 0 && index < choices.size() ? choices.at(index) : ErrorChoice::Cancel;
    switch (choice) {
        case ErrorChoice::Retry:
            return ErrorAnswer::Retry;
        case ErrorChoice::SkipAll:
            m_errorSkipAll = true;
            [[fallthrough]];
        case ErrorChoice::Skip:
            m_errors.append(full);
            return ErrorAnswer::Skip;
        case ErrorChoice::Cancel:
            break;
    }
    m_errors.append(full);
    return ErrorAnswer::Cancel;
}

FileOpQuestions::ConflictAnswer FileOpQuestions::AskConflict(const FileOpNode& node,
                                                             const struct stat& existing,
                                                             const QByteArray& target,
                                                             bool placedHere) {
    const bool bothFolders = node.IsDir() && S_ISDIR(existing.st_mode);
    const bool replaceable = bothFolders || (!node.IsDir() && !S_ISDIR(existing.st_mode));
    // Merging two folders loses nothing by itself; replacing a file this
    // operation has just written would lose one of its own sources.
    const bool mustAsk = placedHere && !bothFolders;
    if (m_skipAll)
        return ConflictAnswer::Skip;
    if (replaceable && !mustAsk &&
        (m_noConfirmation || (bothFolders ? m_mergeAll : m_overwriteAll)))
        return ConflictAnswer::Overwrite;

    ChoiceRequest request;
    request.title = m_title;
    request.icon = PromptIcon::Question;
    request.parent = m_promptParent();
    const QString name = Shown(target);
    QList<ConflictChoice> choices;
    if (bothFolders) {
        request.text =
            Tr("The target folder already holds a folder named \"%1\".\n\n"
               "Merge the folders? Files with the same names are asked about one by one.")
                .arg(name);
        request.answers = {Tr("&Merge"), Tr("Merge &all")};
        choices = {ConflictChoice::Overwrite, ConflictChoice::OverwriteAll};
    } else if (replaceable) {
        request.text = Tr("The target folder already holds a file named \"%1\".\n\n"
                          "Existing: %2, modified %3\nNew: %4, modified %5\n\nReplace it?")
                           .arg(name, SizeText(existing), TimeText(existing), SizeText(node.st),
                                TimeText(node.st));
        if (mustAsk)
            request.text += QStringLiteral("\n\n") +
                            Tr("The existing file was put there by this same operation: another "
                               "item of the same name.");
        request.answers = {Tr("&Overwrite"), Tr("Overwrite &all")};
        choices = {ConflictChoice::Overwrite, ConflictChoice::OverwriteAll};
    } else {
        request.text = Tr("The target folder already holds %1 named \"%2\", which can't be "
                          "replaced by %3.")
                           .arg(KindText(existing), name, KindText(node.st));
    }
    request.answers += {Tr("&Skip"), Tr("S&kip all"), Tr("&Keep both"), Tr("Cancel")};
    choices += {ConflictChoice::Skip, ConflictChoice::SkipAll, ConflictChoice::KeepBoth,
                ConflictChoice::Cancel};
    request.defaultAnswer = int(choices.indexOf(ConflictChoice::Skip));
    request.escapeAnswer = int(choices.size()) - 1;
    const int index = Prompts().Choose(request);
    const ConflictChoice choice =
        index >= 0 && index < choices.size() ? choices.at(index) : ConflictChoice::Cancel;
    switch (choice) {
        case ConflictChoice::OverwriteAll:
            (bothFolders ? m_mergeAll : m_overwriteAll) = true;
            [[fallthrough]];
        case ConflictChoice::Overwrite:
            return ConflictAnswer::Overwrite;
        case ConflictChoice::SkipAll:
            m_skipAll = true;
            [[fallthrough]];
        case ConflictChoice::Skip:
            return ConflictAnswer::Skip;
        case ConflictChoice::KeepBoth:
            return ConflictAnswer::KeepBoth;
        case ConflictChoice::Cancel:
            break;
    }
    return ConflictAnswer::Cancel;
}

FileOpQuestions::NoTrashAnswer FileOpQuestions::AskNoTrash(const QByteArray& path,
                                                           const QString& reason) {
    if (m_forGoodAll)
        return NoTrashAnswer::DeleteForGood;
    ChoiceRequest request;
    request.title = m_title;
    request.icon = PromptIcon::Warning;
    request.parent = m_promptParent();
    request.text = Tr("\"%1\" can't be moved to the trash: its volume has none.\n\n"
                      "Delete it permanently? This can't be undone.")
                       .arg(Shown(path));
    if (!reason.isEmpty())
        request.text += QStringLiteral("\n\n") + reason;
    request.answers = {Tr("&Delete permanently"), Tr("Delete &all permanently"), Tr("&Skip"),
                       Tr("Cancel")};
    request.defaultAnswer = int(NoTrashChoice::Skip);
    request.escapeAnswer = int(NoTrashChoice::Cancel);
    const int answer = Prompts().Choose(request);
    if (answer == int(NoTrashChoice::Skip))
        return NoTrashAnswer::Skip;
    if (answer != int(NoTrashChoice::DeleteForGood) &&
        answer != int(NoTrashChoice::DeleteAllForGood))
        return NoTrashAnswer::Cancel;
    m_forGoodAll = answer == int(NoTrashChoice::DeleteAllForGood);
    return NoTrashAnswer::DeleteForGood;
}

bool FileOpQuestions::ConfirmDelete(const std::vector<QByteArray>& paths, bool toTrash) {
    const std::size_t count = paths.size();
    PromptRequest request;
    request.title = Tr("Delete");
    request.buttons = PromptButtons::YesNo;
    request.icon = toTrash ? PromptIcon::Question : PromptIcon::Warning;
    request.parent = m_promptParent();
    const QString only = count == 1 ? Shown(paths.front()) : QString();
    if (toTrash) {
        request.text = count == 1 ? Tr("Move \"%1\" to the trash?").arg(only)
                                  : Tr("Move these %1 items to the trash?").arg(count);
    } else {
        request.text = count == 1 ? Tr("Permanently delete \"%1\"?").arg(only)
                                  : Tr("Permanently delete these %1 items?").arg(count);
    }
    if (count > 1) {
        QStringList names;
        for (std::size_t i = 0; i < count && i < kDeleteNamesShown; ++i)
            names << QStringLiteral("\"%1\"").arg(Shown(paths[i]));
        if (count > kDeleteNamesShown)
            names << Tr("and %1 more").arg(count - kDeleteNamesShown);
        request.text += QStringLiteral("\n\n") + names.join(QLatin1Char('\n'));
    }
    if (!toTrash) {
        request.text += QStringLiteral("\n\n") + Tr("This can't be undone.");
        request.defaultButton = 1;  // No
    }
    return Prompts().MessageBox(request) == PromptAnswer::Yes;
}

bool FileOpQuestions::ConfirmMakeFolder(const QByteArray& path) {
    PromptRequest request;
    request.text = Tr("The folder \"%1\" doesn't exist. Create it?").arg(ShownPath(path));
    request.title = m_title;
    request.buttons = PromptButtons::YesNo;
    request.icon = PromptIcon::Question;
    request.parent = m_promptParent();
    return Prompts().MessageBox(request) == PromptAnswer::Yes;
}
