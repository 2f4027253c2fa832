// Copying out of an archive pane as a user does (F5, paste) and viewing its
// entries (F3): folders arrive whole with the entries' times, damaged
// entries say why they can't be read.
#include <sys/stat.h>

#include <QDir>

#include "TransferTestSupport.h"
#include "fileops/FileSystemDropTarget.h"
#include "fileops/TransferExecutor.h"
#include "platform/archive/ArchiveExtractor.h"
#include "platform/archive/ArchiveIndex.h"
#include "platform/archive/ArchiveTestWriter.h"
#include "platform/fileop/FileOperation.h"
#include "platform/fs/TempCopyFile.h"
#include "platform/namespace/BasicDataObject.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellIdArray.h"
#include "shell/CommandIds.h"

namespace {

constexpr std::int64_t kTime = 1400000000;

std::int64_t MtimeOf(const QByteArray& path) {
    struct stat st {};
    ::lstat(path.constData(), &st);
    return st.st_mtim.tv_sec;
}

std::vector<TestEntry> PackEntries() {
    return {
        {"src/", {}, TestEntry::Folder, {}, kTime + 1},
        {"src/main.c", "int main(void) { return 0; }\n", TestEntry::File, {}, kTime + 2},
        {"src/lib/util.c", "void util(void) {}\n", TestEntry::File, {}, kTime + 3},
        {"readme.txt", "read me", TestEntry::File, {}, kTime + 4},
    };
}

class ArchiveTransferTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        ForgetArchiveIndexes();
    }
    void TearDown() override {
        ForgetArchiveIndexes();
        TransferTest::TearDown();
    }
    QStringList ExtractFolders() const {
        return QDir(QDir::tempPath()).entryList({"CvExtract_*"}, QDir::Dirs);
    }
};

TEST_F(ArchiveTransferTest, CopyingAFolderOutOfAnArchiveCopiesItsWholeTreeWithItsTimes) {
    for (const char* name : {"pack.tar.gz", "pack.zip"}) {
        SCOPED_TRACE(name);
        const bool zip = QByteArray(name).endsWith(".zip");
        ASSERT_TRUE(WriteTestArchive(a.Join(name), zip ? "zip" : "pax", zip ? "none" : "gzip",
                                     PackEntries()));
        const QString target = b.Path() + QLatin1Char('/') + QLatin1String(name) + "-out";
        ASSERT_TRUE(QDir().mkpath(target));
        ASSERT_TRUE(Open(*left, a.Path() + QLatin1Char('/') + QLatin1String(name)));
        ASSERT_TRUE(left->Model()->IsDescriptor());
        ASSERT_TRUE(Open(*right, target));
        ASSERT_TRUE(Select(*left, {"src", "readme.txt"}));
        const QStringList tempBefore = ExtractFolders();

        // F5 with Ctrl: straight to the other pane.
        const ArchiveReadCounts before = ArchiveReadCounters();
        {
            ScopedKeyState ctrl(Qt::ControlModifier);
            ASSERT_TRUE(Run(ID_FILE_COPYTO));
        }
        EXPECT_EQ(ArchiveReadCounters().streamOpens - before.streamOpens, 1)
            << "one pass for the whole selection";
        const QByteArray out = NameToBytes(target);
        EXPECT_EQ(ReadWholeFile(out + "/src/main.c"), "int main(void) { return 0; }\n");
        EXPECT_EQ(ReadWholeFile(out + "/src/lib/util.c"), "void util(void) {}\n");
        EXPECT_EQ(ReadWholeFile(out + "/readme.txt"), "read me");
        EXPECT_EQ(MtimeOf(out + "/src/main.c"), kTime + 2);
        EXPECT_EQ(MtimeOf(out + "/readme.txt"), kTime + 4);
        EXPECT_EQ(MtimeOf(out + "/src"), kTime + 1);
        EXPECT_EQ(TheOperationRecord().effect, std::uint32_t(DROPEFFECT_COPY));
        EXPECT_TRUE(IsSelected(*right, "src"));
        EXPECT_TRUE(prompter->Requests().isEmpty()) << prompter->Describe().toStdString();
        EXPECT_EQ(ExtractFolders(), tempBefore) << "the private folder is gone";

        // Paste the folder again: the engine asks about what is there; the
        // merge brings the same tree.
        ASSERT_TRUE(QDir(target + "/src/lib").removeRecursively());
        ASSERT_TRUE(Select(*left, {"src"}));
        ASSERT_TRUE(Run(ID_EDIT_COPY));
        host.active = right.get();
        prompter->AnswerChoice(int(ConflictChoice::Overwrite))
            .AnswerChoice(int(ConflictChoice::OverwriteAll));
        ASSERT_TRUE(Run(ID_EDIT_PASTE));
        host.active = left.get();
        EXPECT_EQ(ReadWholeFile(out + "/src/lib/util.c"), "void util(void) {}\n");
        EXPECT_EQ(MtimeOf(out + "/src/lib/util.c"), kTime + 3);
        EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
        prompter->Clear();
    }
}

TEST_F(ArchiveTransferTest, ADamagedEntryIsNotCopiedAndTheUserIsToldWhy) {
    const QByteArray big(400000, 'b');
    ASSERT_TRUE(WriteTestArchive(a.Join("cut.tar"), "pax", "none",
                                 {{"ok.txt", "fine"}, {"dir/big.bin", big}, {"dir/z", "z"}}));
    QByteArray whole = ReadWholeFile(a.Join("cut.tar"));
    ASSERT_TRUE(WriteWholeFile(a.Join("cut.tar"), whole.left(whole.size() / 2)));
    ASSERT_TRUE(Open(*left, a.Path() + QStringLiteral("/cut.tar")));
    ASSERT_TRUE(Open(*right, b.Path()));
    ASSERT_TRUE(Select(*left, {"ok.txt", "dir"}));
    {
        ScopedKeyState ctrl(Qt::ControlModifier);
        ASSERT_TRUE(Run(ID_FILE_COPYTO));
    }
    EXPECT_EQ(b.Read("ok.txt"), QByteArray("fine"));
    EXPECT_FALSE(b.Exists("dir")) << "a folder that can't arrive whole is not copied";
    ASSERT_EQ(prompter->Requests().size(), 1) << prompter->Describe().toStdString();
    EXPECT_TRUE(prompter->Requests()[0].text.startsWith(kExtractFailed));
    EXPECT_TRUE(prompter->Requests()[0].text.contains(QStringLiteral("big.bin")));

    // F3 on the damaged entry says what is wrong with it, and on one over
    // the limit names the limit; neither calls it merely too large.
    ASSERT_TRUE(Open(*left, a.Path() + QStringLiteral("/cut.tar/dir")));
    transfer->SetEditorOpener([](const QString&, bool) { return true; });
    MutableGeneral().maxExtractSize = 1 << 20;
    ASSERT_TRUE(Select(*left, {"big.bin"}));
    notices.entries.clear();
    ASSERT_TRUE(Run(ID_FILE_VIEW));
    auto last = notices.LastText();
    ASSERT_TRUE(last);
    EXPECT_NE(*last->text, kTooLargeToViewText);
    EXPECT_TRUE(last->text->startsWith(QStringLiteral("\"big.bin\" can't be read: ")));
    EXPECT_TRUE(last->text->contains(QStringLiteral("damaged"), Qt::CaseInsensitive) ||
                last->text->contains(QStringLiteral("truncated"), Qt::CaseInsensitive))
        << last->text->toStdString();

    MutableGeneral().maxExtractSize = 1000;
    notices.entries.clear();
    ASSERT_TRUE(Run(ID_FILE_VIEW));
    last = notices.LastText();
    ASSERT_TRUE(last);
    EXPECT_TRUE(last->text->contains(QStringLiteral("\"nMaxExtractSize\"")))
        << last->text->toStdString();
}

TEST_F(ArchiveTransferTest, AFolderOfContentsStreamsWithoutItsContentsIsRefusedNotMadeEmpty) {
    ASSERT_TRUE(Open(*right, b.Path()));
    BasicDataObject data;
    data.SetData(ClipFormats::kShellIdList, EncodeShellIdArray(ParsePath(a.Path()), {}));
    FileDescriptor folder;
    folder.name = QStringLiteral("src");
    folder.directory = true;
    data.SetFileGroup({folder}, [](int) -> std::unique_ptr<QIODevice> { return nullptr; });
    EXPECT_EQ(ExecuteTransfer(host, DROPEFFECT_COPY, &data, *right->Model(), true),
              std::uint32_t(DROPEFFECT_NONE));
    EXPECT_FALSE(b.Exists("src"));
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_TRUE(prompter->Requests()[0].text.contains(kFolderWithoutContents));
}

}  // namespace
