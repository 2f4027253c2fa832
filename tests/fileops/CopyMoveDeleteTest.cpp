#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "TransferTestSupport.h"
#include "fileops/TargetFolderDialog.h"
#include "fileops/TransferExecutor.h"
#include "platform/fileop/FileOperation.h"
#include "shell/CommandIds.h"
#include "shell/HistoryList.h"

namespace {

class CopyMoveDeleteTest : public TransferTest {};

TEST_F(CopyMoveDeleteTest, DirectCopySelectsTheNewItemsAndUnselectsTheCopiedOnes) {
    ASSERT_TRUE(a.MakeFile("one.txt", "1"));
    ASSERT_TRUE(a.MakeFile("two.txt", "22"));
    ASSERT_TRUE(a.MakeFile("stay.txt", "3"));
    ASSERT_TRUE(b.MakeFile("old.txt", "0"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));
    ASSERT_TRUE(Select(*left, {"one.txt", "two.txt"}));
    ASSERT_TRUE(Select(*right, {"old.txt"}));
    EXPECT_TRUE(Enabled(ID_FILE_COPYTO));

    ScopedKeyState ctrl(Qt::ControlModifier);
    ASSERT_TRUE(Run(ID_FILE_COPYTO));

    EXPECT_EQ(b.Read("one.txt"), QByteArray("1"));
    EXPECT_EQ(b.Read("two.txt"), QByteArray("22"));
    EXPECT_FALSE(b.Exists("stay.txt"));
    EXPECT_TRUE(a.Exists("one.txt"));  // a copy leaves the source
    EXPECT_TRUE(IsSelected(*right, "one.txt"));
    EXPECT_TRUE(IsSelected(*right, "two.txt"));
    EXPECT_FALSE(IsSelected(*left, "one.txt"));
    EXPECT_FALSE(IsSelected(*left, "two.txt"));
    EXPECT_EQ(TheOperationRecord().effect, std::uint32_t(DROPEFFECT_COPY));
    EXPECT_EQ(TheOperationRecord().sourcePath, a.Path());
    EXPECT_EQ(TheOperationRecord().targetPath, b.Path());
    // Both watches run again after the refresh.
    EXPECT_TRUE(left->Model()->IsWatchEnabled());
    EXPECT_TRUE(right->Model()->IsWatchEnabled());
    EXPECT_TRUE(prompter->Requests().isEmpty()) << prompter->Describe().toStdString();
}

TEST_F(CopyMoveDeleteTest, CtrlCopyIntoTheSameFolderCopiesBesideAndCtrlMoveRefuses) {
    ASSERT_TRUE(a.MakeFile("note.txt", "n"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, a.Path()));
    ASSERT_TRUE(Select(*left, {"note.txt"}));
    ScopedKeyState ctrl(Qt::ControlModifier);

    ASSERT_TRUE(Run(ID_FILE_COPYTO));
    EXPECT_EQ(a.Read("note.txt"), QByteArray("n"));
    EXPECT_EQ(a.Read("note (copy).txt"), QByteArray("n"));
    EXPECT_TRUE(Item(*left, "note (copy).txt"));
    EXPECT_TRUE(prompter->Requests().isEmpty()) << prompter->Describe().toStdString();

    ASSERT_TRUE(Select(*left, {"note.txt"}));
    notices.entries.clear();
    ASSERT_TRUE(Run(ID_FILE_MOVETO));
    EXPECT_TRUE(notices.Has(TransferNotices::kMoveNeedsOtherFolder, true));
    EXPECT_TRUE(a.Exists("note.txt"));
    EXPECT_FALSE(a.Exists("note (copy 2).txt"));
}

TEST_F(CopyMoveDeleteTest, OverwritingAsksOnlyWhileAskConfirmationIsOn) {
    ASSERT_TRUE(a.MakeFile("f.txt", "new"));
    ASSERT_TRUE(b.MakeFile("f.txt", "old"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));
    ScopedKeyState ctrl(Qt::ControlModifier);

    // On: the engine asks, and Skip keeps the old file.
    MutableGeneral().askConfirmation = true;
    prompter->AnswerChoice(int(ConflictChoice::Skip));
    ASSERT_TRUE(Select(*left, {"f.txt"}));
    ASSERT_TRUE(Run(ID_FILE_COPYTO));
    EXPECT_EQ(prompter->Requests().size(), 1) << prompter->Describe().toStdString();
    EXPECT_EQ(prompter->Requests().front().kind, PromptKind::Choose);
    EXPECT_EQ(b.Read("f.txt"), QByteArray("old"));
    // Declining is no failure to report.
    EXPECT_FALSE(notices.Has(kNoComplyNotice, true));

    // Off: overwritten without a question.
    prompter->Clear();
    MutableGeneral().askConfirmation = false;
    ASSERT_TRUE(Select(*left, {"f.txt"}));
    ASSERT_TRUE(Run(ID_FILE_COPYTO));
    EXPECT_TRUE(prompter->Requests().isEmpty()) << prompter->Describe().toStdString();
    EXPECT_EQ(b.Read("f.txt"), QByteArray("new"));
}

TEST_F(CopyMoveDeleteTest, MoveAcrossFileSystemsLeavesNothingBehind) {
    QTemporaryDir shm(QStringLiteral("/dev/shm/corvane-transfer-XXXXXX"));
    ASSERT_TRUE(shm.isValid());
    ASSERT_TRUE(a.MakeFile("big.bin", QByteArray(100000, 'x')));
    ASSERT_TRUE(a.MakeFile("keep.bin", "k"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, shm.path()));
    ASSERT_TRUE(Select(*left, {"big.bin"}));
    ScopedKeyState ctrl(Qt::ControlModifier);
    ASSERT_TRUE(Run(ID_FILE_MOVETO));

    EXPECT_FALSE(a.Exists("big.bin"));
    EXPECT_TRUE(a.Exists("keep.bin"));
    QFile moved(shm.path() + QStringLiteral("/big.bin"));
    ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
    EXPECT_EQ(moved.readAll(), QByteArray(100000, 'x'));
    EXPECT_FALSE(Item(*left, "big.bin"));
    EXPECT_TRUE(IsSelected(*right, "big.bin"));
    EXPECT_EQ(TheOperationRecord().effect, std::uint32_t(DROPEFFECT_MOVE));
}

TEST_F(CopyMoveDeleteTest, CommandsNeedASelection) {
    ASSERT_TRUE(a.MakeFile("f.txt", "x"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));
    left->List()->ClearSelection();
    for (int id : {ID_FILE_COPYTO, ID_FILE_MOVETO, ID_FILE_DELETE, ID_EDIT_COPY, ID_EDIT_CUT})
        EXPECT_FALSE(Enabled(id)) << id;
    // Run anyway (a key that bypasses the update): the notice, nothing else.
    ScopedKeyState ctrl(Qt::ControlModifier);
    ASSERT_TRUE(Run(ID_FILE_COPYTO));
    EXPECT_TRUE(notices.Has(TransferNotices::kNoSource, true));
    EXPECT_FALSE(b.Exists("f.txt"));
}

TEST_F(CopyMoveDeleteTest, DeleteTrashesAndShiftDeleteRemovesForGood) {
    ASSERT_TRUE(a.MakeFile("trash-me.txt", "t"));
    ASSERT_TRUE(a.MakeFile("gone-for-good.txt", "g"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, a.Path()));
    const QString trashFiles = QDir::homePath() + QStringLiteral("/.local/share/Trash/files/");

    ASSERT_TRUE(Select(*left, {"trash-me.txt"}));
    prompter->AnswerMessage(PromptAnswer::Yes);
    ASSERT_TRUE(Run(ID_FILE_DELETE));
    EXPECT_FALSE(a.Exists("trash-me.txt"));
    EXPECT_TRUE(QFile::exists(trashFiles + QStringLiteral("trash-me.txt")));
    EXPECT_FALSE(Item(*left, "trash-me.txt"));
    EXPECT_FALSE(Item(*right, "trash-me.txt"));  // the pane beside shows the same folder
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_TRUE(prompter->Requests().front().text.contains(QStringLiteral("trash")));

    prompter->Clear();
    ASSERT_TRUE(Select(*left, {"gone-for-good.txt"}));
    prompter->AnswerMessage(PromptAnswer::Yes);
    {
        ScopedKeyState shift(Qt::ShiftModifier);
        ASSERT_TRUE(Run(ID_FILE_DELETE));
    }
    EXPECT_FALSE(a.Exists("gone-for-good.txt"));
    EXPECT_FALSE(QFile::exists(trashFiles + QStringLiteral("gone-for-good.txt")));
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(prompter->Requests().front().icon, PromptIcon::Warning);
    EXPECT_TRUE(left->Model()->IsWatchEnabled());

    // Saying No deletes nothing.
    ASSERT_TRUE(a.MakeFile("kept.txt", "k"));
    ASSERT_TRUE(left->RefreshPane(false, nullptr));
    ASSERT_TRUE(Select(*left, {"kept.txt"}));
    prompter->AnswerMessage(PromptAnswer::No);
    ASSERT_TRUE(Run(ID_FILE_DELETE));
    EXPECT_TRUE(a.Exists("kept.txt"));
}

TEST_F(CopyMoveDeleteTest, DeleteInAVirtualFolderWithoutTheVerbIsRefused) {
    ASSERT_TRUE(left->OpenFolder(SHGetSpecialFolderLocation(CSIDL_DRIVES)));
    ASSERT_GT(left->List()->RowCount(), 0);
    left->List()->SelectRow(0, true);
    ASSERT_TRUE(Run(ID_FILE_DELETE));
    EXPECT_TRUE(notices.Has(TransferNotices::kNoDelete, true));
}

// -- The target folder dialog ---------------------------------------------------------

class TargetDialogTest : public TransferTest {
protected:
    QList<QString> Warnings() const {
        QList<QString> texts;
        for (const PromptRecord& r : prompter->Requests()) {
            if (r.kind == PromptKind::MessageBox && r.icon == PromptIcon::Warning)
                texts << r.text;
        }
        return texts;
    }
};

TEST_F(TargetDialogTest, ValidationRefusesInOrderAndAcceptsATrimmedFolder) {
    ASSERT_TRUE(a.MakeFile("file.txt", "x"));
    ASSERT_TRUE(b.MakeFolder("sub"));
    HistoryList history;
    TargetFolderDialog move(false, a.Path(), b.Path(), history);
    EXPECT_EQ(move.OkButton()->text(), QStringLiteral("&Move"));
    EXPECT_EQ(move.windowTitle(), TargetFolderDialog::kTitle);
    EXPECT_EQ(move.Target(), b.Path());

    const QStringList refused = {
        QStringLiteral("   "),                                 // empty
        a.Path() + QStringLiteral("/missing"),                 // no such folder
        a.Path() + QStringLiteral("/file.txt"),                // a file
        a.Path() + QStringLiteral("/*.txt"),                   // a pattern
        QStringLiteral(" ") + a.Path() + QStringLiteral(" "),  // the source, in a move
    };
    for (const QString& text : refused) {
        move.SetTargetText(text);
        EXPECT_FALSE(move.Validate()) << text.toStdString();
    }
    EXPECT_EQ(
        Warnings(),
        (QList<QString>{TargetFolderDialog::kEmptyTarget, TargetFolderDialog::kInvalidTarget,
                        TargetFolderDialog::kInvalidTarget, TargetFolderDialog::kInvalidTarget,
                        TargetFolderDialog::kSameTargetInMove}));
    EXPECT_TRUE(history.isEmpty());

    move.SetTargetText(QStringLiteral("  ") + b.Path() + QStringLiteral("/sub  "));
    EXPECT_TRUE(move.Validate());
    EXPECT_EQ(move.Target(), b.Path() + QStringLiteral("/sub"));
    EXPECT_EQ(history.entries(), QStringList{b.Path() + QStringLiteral("/sub")});

    // A copy may target its own folder (the copies get new names).
    TargetFolderDialog copy(true, a.Path(), a.Path(), history);
    EXPECT_EQ(copy.OkButton()->text(), QStringLiteral("&Copy"));
    EXPECT_TRUE(copy.Validate());
    EXPECT_EQ(history.entries().front(), a.Path());
}

TEST_F(TargetDialogTest, BrowseAndTheConfirmationBoxChangeWhatTheyShow) {
    HistoryList history;
    history.Add(15, QStringLiteral("/earlier"));
    MutableGeneral().askConfirmation = true;
    TargetFolderDialog dialog(true, a.Path(), QString(), history);
    // An empty initial target stays empty; the history is in the list.
    EXPECT_EQ(dialog.Target(), QString());
    EXPECT_EQ(dialog.TargetCombo()->count(), 1);

    prompter->AnswerFolder(b.Path());
    dialog.Browse();
    EXPECT_EQ(dialog.Target(), b.Path());
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(prompter->Requests().front().title, TargetFolderDialog::kBrowseTitle);
    EXPECT_EQ(prompter->Requests().front().initialText, a.Path());

    prompter->AnswerFolder(std::nullopt);  // cancelled: the text stays
    dialog.Browse();
    EXPECT_EQ(dialog.Target(), b.Path());

    EXPECT_TRUE(dialog.ConfirmCheck()->isChecked());
    dialog.ConfirmCheck()->setChecked(false);
    EXPECT_FALSE(General().askConfirmation);
}

TEST_F(TargetDialogTest, UpAndDownSearchTheHistoryForTheTypedText) {
    HistoryList history;
    for (const char* entry : {"/srv/Backup", "/home/me/music", "/mnt/backup-disk"})
        history.Add(15, QString::fromUtf8(entry));
    TargetFolderDialog dialog(true, a.Path(), QString(), history);
    QComboBox* combo = dialog.TargetCombo();
    ASSERT_EQ(combo->count(), 3);
    combo->setEditText(QStringLiteral("backup"));
    // Most recent first, compared without case; the next key goes on from there.
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(dialog.Target(), QStringLiteral("/mnt/backup-disk"));
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(dialog.Target(), QStringLiteral("/srv/Backup"));
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(dialog.Target(), QStringLiteral("/mnt/backup-disk"));
}

TEST_F(TargetDialogTest, CopyCommandOpensTheDialogOnTheOppositePane) {
    ASSERT_TRUE(a.MakeFile("f.txt", "x"));
    TestDir other;
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));
    ASSERT_TRUE(Select(*left, {"f.txt"}));

    QString shownSource;
    QString shownTarget;
    transfer->SetDialogRunner([&](TargetFolderDialog& dialog) {
        shownSource = dialog.Source();
        shownTarget = dialog.Target();
        dialog.SetTargetText(other.Path() + QStringLiteral(" "));
        return dialog.Validate();
    });
    bool saverRegistered = false;
    transfer->SetSaverRegistrar(
        [&](std::function<void(ProfileStore&)>) { saverRegistered = true; });
    ASSERT_TRUE(Run(ID_FILE_COPYTO));
    EXPECT_EQ(shownSource, a.Path());
    EXPECT_EQ(shownTarget, b.Path());
    EXPECT_TRUE(other.Exists("f.txt"));
    EXPECT_FALSE(b.Exists("f.txt"));
    EXPECT_EQ(TargetFolderHistory().First(), other.Path());
    EXPECT_TRUE(saverRegistered);

    // The opposite pane on a virtual folder: no initial target; Cancel stops.
    ASSERT_TRUE(right->OpenFolder(SHGetSpecialFolderLocation(CSIDL_DRIVES)));
    transfer->SetDialogRunner([&](TargetFolderDialog& dialog) {
        shownTarget = dialog.Target();
        return false;
    });
    notices.entries.clear();
    ASSERT_TRUE(Select(*left, {"f.txt"}));
    ASSERT_TRUE(Run(ID_FILE_MOVETO));
    EXPECT_EQ(shownTarget, QString());
    EXPECT_TRUE(a.Exists("f.txt"));
    EXPECT_FALSE(notices.LastText().has_value());
}

}  // namespace
