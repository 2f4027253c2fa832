#include <sys/stat.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

#include "FileUtilsTestSupport.h"
#include "TransferTestSupport.h"
#include "fileops/CPaneFileUtils.h"
#include "fileops/FileChunks.h"
#include "fileops/HardLinker.h"
#include "fileops/MultiAnswerDialog.h"
#include "fileops/ValuePromptDialog.h"
#include "shell/CommandIds.h"

namespace {

using namespace FileUtilNotices;

// The commands run by id on the active (left) pane, as the frame's chain
// would run them.
class FileUtilsTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        utils = std::make_unique<CPaneFileUtils>(host);
        m_splitSize = CPaneFileUtils::SplitSizeKiB();
    }
    void TearDown() override {
        CPaneFileUtils::SplitSizeKiB() = m_splitSize;
        utils.reset();
        TransferTest::TearDown();
    }
    bool RunUtil(int id) { return utils->OnCommand(id); }
    bool UtilEnabled(int id) {
        CommandState state;
        return utils->OnUpdateCommand(id, state) && state.enabled;
    }
    // Closes the label editor without renaming, as Escape would.
    bool CancelEdit() {
        QAbstractItemView* view = left->List()->ActiveView();
        QWidget* editor =
            view->indexWidget(left->List()->Model()->index(left->List()->FocusedRow(), 0));
        if (!editor)
            return false;
        QTest::keyClick(editor, Qt::Key_Escape);
        return WaitFor([&] { return !left->List()->IsEditingLabel(); });
    }
    static void PutFilesOnClipboard(const QStringList& paths) {
        auto* mime = new QMimeData;
        QList<QUrl> urls;
        for (const QString& path : paths) urls.append(QUrl::fromLocalFile(path));
        mime->setUrls(urls);
        QGuiApplication::clipboard()->setMimeData(mime);
    }

    std::unique_ptr<CPaneFileUtils> utils;

private:
    std::int64_t m_splitSize = kDefaultSplitKiB;
};

// F7 three times in an empty folder: New File.txt, New File2.txt, New
// File3.txt, each listed, focused and opened for renaming; F8 beside a
// file named New Folder gives the folder New Folder2.
TEST_F(FileUtilsTest, NewFilesAndFoldersTakeTheFirstFreeName) {
    left->resize(500, 400);
    left->show();
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(left.get()));
    EXPECT_TRUE(UtilEnabled(ID_NEW_FILE));
    for (const QString& name : {QStringLiteral("New File.txt"), QStringLiteral("New File2.txt"),
                                QStringLiteral("New File3.txt")}) {
        ASSERT_TRUE(RunUtil(ID_NEW_FILE));
        EXPECT_TRUE(a.Exists(name.toUtf8())) << name.toStdString();
        EXPECT_TRUE(S_ISREG(LStat(a.Join(name.toUtf8()))->st_mode));
        FolderItem* item = Item(*left, name);
        ASSERT_NE(item, nullptr) << name.toStdString();
        EXPECT_EQ(left->List()->FocusedRow(), left->List()->RowOf(item));
        EXPECT_TRUE(left->List()->IsEditingLabel()) << name.toStdString();
        ASSERT_TRUE(CancelEdit());
    }
    ASSERT_TRUE(a.MakeFile("New Folder", "a file, not a folder"));
    ASSERT_TRUE(left->RefreshPane(false, nullptr));
    ASSERT_TRUE(RunUtil(ID_NEW_FOLDER));
    EXPECT_TRUE(S_ISDIR(LStat(a.Join("New Folder2"))->st_mode));
    EXPECT_EQ(a.Read("New Folder"), QByteArray("a file, not a folder"));
    EXPECT_TRUE(left->List()->IsEditingLabel());
    ASSERT_TRUE(CancelEdit());
    EXPECT_TRUE(left->Model()->IsWatchEnabled() || !left->Model()->IsWatching());
    EXPECT_FALSE(notices.Has(kDeclined.arg(kFile), true));
}

// A folder that refuses new entries gives the declined notice and leaves
// the watch running.
TEST_F(FileUtilsTest, RefusedCreationIsDeclined) {
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_EQ(::chmod(a.PathBytes().constData(), 0555), 0);
    {
        ScopedNoDacOverride noOverride;
        RunUtil(ID_NEW_FOLDER);
    }
    ::chmod(a.PathBytes().constData(), 0755);
    EXPECT_TRUE(notices.Has(kDeclined.arg(kFolder), true));
    EXPECT_FALSE(a.Exists("New Folder"));
    EXPECT_FALSE(left->List()->IsEditingLabel());
    EXPECT_TRUE(left->Model()->IsWatchEnabled() || !left->Model()->IsWatching());
}

// Paste hard link takes the clipboard's files; conflicts ask the four-
// answer box with the design's title and text; nothing on the clipboard is
// message 1004.
TEST_F(FileUtilsTest, PasteHardLinkFromTheClipboard) {
    ASSERT_TRUE(b.MakeFile("x.txt", "x"));
    ASSERT_TRUE(b.MakeFile("y.txt", "y"));
    ASSERT_TRUE(a.MakeFile("y.txt", "old y"));
    ASSERT_TRUE(Open(*left, a.Path()));
    EXPECT_FALSE(UtilEnabled(ID_PASTE_HARDLINK));
    RunUtil(ID_PASTE_HARDLINK);
    EXPECT_TRUE(notices.Has(HardLinkText(kLinkNotFileSystem), true));

    PutFilesOnClipboard({QString::fromUtf8(b.Join("x.txt")), QString::fromUtf8(b.Join("y.txt"))});
    EXPECT_TRUE(UtilEnabled(ID_PASTE_HARDLINK));
    prompter->AnswerChoice(0);  // "&Yes"
    ASSERT_TRUE(RunUtil(ID_PASTE_HARDLINK));
    ASSERT_EQ(prompter->Requests().size(), 1);
    const PromptRecord& asked = prompter->Requests().front();
    EXPECT_EQ(asked.title, QStringLiteral("Hard Link"));
    EXPECT_EQ(asked.text, HardLinkText(kLinkExists).arg(QString::fromUtf8(a.Join("y.txt"))));
    EXPECT_EQ(asked.answers, MultiAnswerDialog::AnswerTexts());
    // Return on the question keeps the existing file, as in the copy
    // conflict box: "&No" (the third answer) is the default.
    EXPECT_EQ(asked.answers.value(asked.defaultButton), QStringLiteral("&No"));
    EXPECT_TRUE(SameInode(b.Join("x.txt"), a.Join("x.txt")));
    EXPECT_TRUE(SameInode(b.Join("y.txt"), a.Join("y.txt")));
    EXPECT_NE(Item(*left, "x.txt"), nullptr) << "the pane was refreshed";
    ASSERT_TRUE(notices.LastText());
    EXPECT_FALSE(notices.entries.back().text) << "success clears the notice";
}

// Split asks the size (remembered for the run), names and sizes the
// chunks as designed; merge proposes the split file's name, asks before
// overwriting and rebuilds the file byte for byte.
TEST_F(FileUtilsTest, SplitThenMergeThroughThePane) {
    const QByteArray bytes = PatternBytes(3000000);
    ASSERT_TRUE(a.MakeFile("big.zip", bytes));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Select(*left, {"big.zip"}));
    EXPECT_TRUE(UtilEnabled(ID_SPLIT_FILE));

    prompter->AnswerInput(QStringLiteral("1420"));
    ASSERT_TRUE(RunUtil(ID_SPLIT_FILE));
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(prompter->Requests()[0].text, kSplitPrompt);
    EXPECT_EQ(prompter->Requests()[0].initialText, QStringLiteral("1420"));
    EXPECT_EQ(SizeOf(a.Join("big.zip.0")), 1454080u);
    EXPECT_EQ(SizeOf(a.Join("big.zip.1")), 1454080u);
    EXPECT_EQ(SizeOf(a.Join("big.zip.2")), 91840u);
    EXPECT_NE(Item(*left, "big.zip.2"), nullptr) << "the pane was refreshed";

    // Merge: .0 .1 .2 in list order; the proposed name is the split file's.
    ASSERT_TRUE(Select(*left, {"big.zip.0", "big.zip.1", "big.zip.2"}));
    prompter->Clear();
    prompter->AnswerInput(QStringLiteral("big.zip")).AnswerMessage(PromptAnswer::No);
    ASSERT_TRUE(RunUtil(ID_MERGE_FILES));
    ASSERT_EQ(prompter->Requests().size(), 2) << prompter->Describe().toStdString();
    EXPECT_EQ(prompter->Requests()[0].initialText, QStringLiteral("big.zip"));
    EXPECT_EQ(prompter->Requests()[1].text,
              kMergeTargetExists.arg(QString::fromUtf8(a.Join("big.zip"))));
    EXPECT_EQ(a.Read("big.zip"), bytes) << "No keeps the target";

    ASSERT_TRUE(Select(*left, {"big.zip.0", "big.zip.1", "big.zip.2"}));
    prompter->Clear();
    prompter->AnswerInput(QStringLiteral("rebuilt.zip"));
    ASSERT_TRUE(RunUtil(ID_MERGE_FILES));
    EXPECT_EQ(a.Read("rebuilt.zip"), bytes);
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();

    // The size entered is the next split's offer; out-of-bounds is refused
    // with the bounds named and asked again.
    ASSERT_TRUE(Select(*left, {"rebuilt.zip"}));
    prompter->Clear();
    prompter->AnswerInput(QStringLiteral("0")).AnswerInput(QStringLiteral("1000"));
    ASSERT_TRUE(RunUtil(ID_SPLIT_FILE));
    EXPECT_EQ(prompter->Requests()[0].initialText, QStringLiteral("1420"));
    EXPECT_EQ(prompter->Requests()[1].text, ValuePromptDialog::BoundsText(1, 1000000000));
    EXPECT_EQ(CPaneFileUtils::SplitSizeKiB(), 1000);
    EXPECT_EQ(SizeOf(a.Join("rebuilt.zip.0")), 1024000u);
    EXPECT_EQ(SizeOf(a.Join("rebuilt.zip.2")), 3000000u - 2 * 1024000u);
}

// The refusals of split and merge: an empty file, too few files, the
// target being a source, a cancelled prompt.
TEST_F(FileUtilsTest, SplitAndMergeRefusals) {
    ASSERT_TRUE(a.MakeFile("empty"));
    ASSERT_TRUE(a.MakeFile("one", "1"));
    ASSERT_TRUE(a.MakeFile("one.1", "2"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Select(*left, {"empty"}));
    ASSERT_TRUE(RunUtil(ID_SPLIT_FILE));
    EXPECT_TRUE(notices.Has(kNeedsFile, true));
    EXPECT_TRUE(prompter->Requests().isEmpty());

    ASSERT_TRUE(Select(*left, {"one"}));
    ASSERT_TRUE(RunUtil(ID_MERGE_FILES));
    EXPECT_TRUE(notices.Has(kTooFew, true));

    // "one.1" proposes "one", a source: refused, both kept.
    ASSERT_TRUE(Select(*left, {"one", "one.1"}));
    prompter->AnswerInput(QStringLiteral("one"));
    ASSERT_TRUE(RunUtil(ID_MERGE_FILES));
    EXPECT_TRUE(notices.Has(kMergeIntoSource.arg(QString::fromUtf8(a.Join("one"))), true));
    EXPECT_EQ(a.Read("one"), QByteArray("1"));

    prompter->AnswerInput(std::nullopt);
    const std::size_t before = notices.entries.size();
    ASSERT_TRUE(RunUtil(ID_MERGE_FILES));
    EXPECT_EQ(notices.entries.size(), before) << "a cancelled prompt says nothing";
    EXPECT_TRUE(prompter->AllAnswered());
}

// Shred asks with No as the default; a read-only file selected directly
// is a write error and stays, while a folder with a read-only file in it
// goes whole.
TEST_F(FileUtilsTest, ShredAsksAndTreatsReadOnlyFilesAsDesigned) {
    ASSERT_TRUE(a.MakeFile("locked", "keep"));
    ASSERT_TRUE(a.SetMode("locked", 0444));
    ASSERT_TRUE(a.MakeFile("folder/locked", "inside"));
    ASSERT_TRUE(a.SetMode("folder/locked", 0444));
    ASSERT_TRUE(Open(*left, a.Path()));

    ASSERT_TRUE(Select(*left, {"folder"}));
    prompter->AnswerMessage(PromptAnswer::No);
    ASSERT_TRUE(RunUtil(ID_SHRED));
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(prompter->Requests()[0].text, kShredQuestion);
    EXPECT_EQ(prompter->Requests()[0].defaultButton, 1) << "No is the default";
    EXPECT_TRUE(a.Exists("folder/locked"));

    prompter->AnswerMessage(PromptAnswer::Yes);
    ASSERT_TRUE(RunUtil(ID_SHRED));
    EXPECT_FALSE(a.Exists("folder"));
    EXPECT_EQ(Item(*left, "folder"), nullptr) << "the pane was refreshed";
    EXPECT_FALSE(notices.entries.back().text);

    ASSERT_TRUE(Select(*left, {"locked"}));
    prompter->AnswerMessage(PromptAnswer::Yes);
    ASSERT_TRUE(RunUtil(ID_SHRED));
    EXPECT_TRUE(notices.Has(kShredError, true));
    EXPECT_EQ(a.Read("locked"), QByteArray("keep"));
}

// Touch sets files to the present, leaves folders, and says so either
// way; sync touch copies times to same-named items only (exact names),
// and with both panes on one folder does nothing.
TEST_F(FileUtilsTest, TouchAndSyncTouch) {
    const std::int64_t old = 1000000000;  // 2001
    ASSERT_TRUE(a.MakeFile("file", "f", old));
    ASSERT_TRUE(a.MakeFolder("folder"));
    const timespec folderTimes[2] = {{old, 0}, {old, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, a.Join("folder").constData(), folderTimes, 0), 0);
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Select(*left, {"folder"}));
    ASSERT_TRUE(RunUtil(ID_TOUCH_DATES));
    EXPECT_EQ(LStat(a.Join("folder"))->st_mtim.tv_sec, old);
    EXPECT_TRUE(notices.Has(kTouched, false));

    ASSERT_TRUE(Select(*left, {"file", "folder"}));
    const std::int64_t before = ::time(nullptr);
    ASSERT_TRUE(RunUtil(ID_TOUCH_DATES));
    EXPECT_GE(LStat(a.Join("file"))->st_mtim.tv_sec, before);

    // Sync touch: the active pane's times onto the other pane's items.
    const timespec exact[2] = {{old, 0}, {old + 77, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, a.Join("file").constData(), exact, 0), 0);
    ASSERT_TRUE(b.MakeFile("file", "other"));
    ASSERT_TRUE(b.MakeFile("FILE", "case differs"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));
    const timespec fileCase = LStat(b.Join("FILE"))->st_mtim;
    ASSERT_TRUE(RunUtil(ID_SYNC_TOUCH));
    const timespec synced = LStat(b.Join("file"))->st_mtim;
    EXPECT_EQ(synced.tv_sec, old + 77);
    EXPECT_EQ(synced.tv_nsec, 123456789);
    EXPECT_EQ(LStat(b.Join("FILE"))->st_mtim.tv_nsec, fileCase.tv_nsec);
    EXPECT_TRUE(notices.Has(kSynced, true));

    // Both panes on one folder: nothing happens, nothing is said.
    ASSERT_TRUE(Open(*right, a.Path()));
    const timespec same = LStat(a.Join("file"))->st_mtim;
    const std::size_t count = notices.entries.size();
    const int refreshes = right->refreshes;
    ASSERT_TRUE(RunUtil(ID_SYNC_TOUCH));
    EXPECT_EQ(notices.entries.size(), count);
    EXPECT_EQ(right->refreshes, refreshes);
    EXPECT_EQ(LStat(a.Join("file"))->st_mtim.tv_nsec, same.tv_nsec);

    // No same-named items.
    TestDir c;
    ASSERT_TRUE(c.MakeFile("unrelated", "u"));
    ASSERT_TRUE(Open(*right, c.Path()));
    ASSERT_TRUE(RunUtil(ID_SYNC_TOUCH));
    EXPECT_TRUE(notices.Has(kNoMatches, true));
}

}  // namespace
