// Archive entries leave for other programs as temporary copies, made only
// when asked for; inside the program they still travel as streams.
#include <sys/stat.h>

#include <QBuffer>
#include <QDir>
#include <QDrag>

#include "TransferTestSupport.h"
#include "fileops/ContentsMimeData.h"
#include "fileops/TransferClipboard.h"
#include "fileops/TransferFormats.h"
#include "platform/archive/ArchiveFolder.h"
#include "platform/archive/ArchiveTestWriter.h"
#include "platform/namespace/BasicDataObject.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellIdArray.h"
#include "shell/CommandIds.h"

namespace {

FileDescriptor Entry(const QString& name, std::uint64_t size, bool withSize = true) {
    FileDescriptor d;
    d.name = name;
    d.size = size;
    if (withSize)
        d.flags |= FD_FILESIZE;
    return d;
}

// A data object of contents streams only, as an archive folder gives.
std::shared_ptr<BasicDataObject> Streams(const std::vector<FileDescriptor>& descriptors,
                                         const QList<QByteArray>& contents) {
    auto data = std::make_shared<BasicDataObject>();
    data->SetData(ClipFormats::kShellIdList, EncodeShellIdArray(IdList::Empty(), {}));
    data->SetFileGroup(descriptors, [contents](int index) -> std::unique_ptr<QIODevice> {
        if (index < 0 || index >= contents.size() || contents[index].isNull())
            return nullptr;
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData(contents[index]);
        buffer->open(QIODevice::ReadOnly);
        return buffer;
    });
    return data;
}

QByteArray ReadPath(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool Exists(const QString& path) {
    struct stat st;
    return ::lstat(NameToBytes(path).constData(), &st) == 0;
}

// The temporary folder is a test folder of its own, so that everything
// written there is seen.
class ContentsMimeDataTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        m_savedTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", temp.PathBytes());
        ForgetArchiveIndexes();
    }
    void TearDown() override {
        DeleteContentsCopies();
        ForgetArchiveIndexes();
        if (m_savedTemp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", m_savedTemp);
        TransferTest::TearDown();
    }
    QStringList TempEntries() const {
        return QDir(temp.Path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }

    TestDir temp;

private:
    QByteArray m_savedTemp;
};

TEST_F(ContentsMimeDataTest, CopiesAreMadeOnlyWhenAskedForAndHoldTheEntriesBytes) {
    const QByteArray binary("\0\x01\xff binary", 10);
    const auto data = Streams({Entry("docs/readme.txt", 5), Entry("other/readme.txt", 6),
                               Entry("bin.dat", 10), Entry("sub", 0)},
                              {"hello", "second", binary, QByteArray()});
    std::unique_ptr<QMimeData> mime(ToMimeData(std::shared_ptr<const ShellDataObject>(data), 0));
    auto* contents = dynamic_cast<ContentsMimeData*>(mime.get());
    ASSERT_TRUE(contents);

    // Offered, and our own formats kept, but nothing written yet.
    EXPECT_TRUE(mime->hasFormat(ClipFormats::kUriList));
    EXPECT_TRUE(mime->formats().contains(ClipFormats::kGnomeCopiedFiles));
    EXPECT_TRUE(mime->hasFormat(ClipFormats::kShellIdList));
    EXPECT_FALSE(mime->hasFormat(ClipFormats::kFileContents));
    EXPECT_FALSE(contents->CopiesMade());
    EXPECT_TRUE(TempEntries().isEmpty());

    const QStringList paths = DecodeUriList(mime->data(ClipFormats::kUriList));
    ASSERT_EQ(paths.size(), 3);  // the folder entry has no contents
    EXPECT_EQ(paths, contents->Copies());
    EXPECT_EQ(ReadPath(paths[0]), QByteArray("hello"));
    EXPECT_EQ(ReadPath(paths[1]), QByteArray("second"));
    EXPECT_EQ(ReadPath(paths[2]), binary);
    // Named as the entries, even two of one name, all in one private folder.
    for (const QString& path : paths) EXPECT_TRUE(path.startsWith(temp.Path() + "/CvDrag_"));
    EXPECT_TRUE(paths[0].endsWith("/readme.txt"));
    EXPECT_TRUE(paths[1].endsWith("/readme.txt"));
    EXPECT_NE(paths[0], paths[1]);
    EXPECT_TRUE(paths[2].endsWith("/bin.dat"));
    ASSERT_EQ(TempEntries().size(), 1);
    struct stat st;
    ASSERT_EQ(::stat(NameToBytes(temp.Path() + "/" + TempEntries().front()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // Asking again gives the same copies; the other file list formats agree.
    EXPECT_EQ(DecodeUriList(mime->data(ClipFormats::kUriList)), paths);
    const std::optional<CopiedFiles> copied =
        DecodeCopiedFiles(mime->data(ClipFormats::kGnomeCopiedFiles));
    ASSERT_TRUE(copied);
    EXPECT_FALSE(copied->cut);
    EXPECT_EQ(copied->paths, paths);
    EXPECT_EQ(TempEntries().size(), 1);

    // They outlive the MIME data (the other program may still be reading)
    // and go when the program ends.
    mime.reset();
    EXPECT_TRUE(Exists(paths[0]));
    DeleteContentsCopies();
    EXPECT_TRUE(TempEntries().isEmpty());

    // Items with file paths need no copies.
    BasicDataObject files;
    files.SetFilePaths({a.Path() + QStringLiteral("/x")});
    std::unique_ptr<QMimeData> plain(
        ToMimeData(std::make_shared<BasicDataObject>(std::move(files)), 0));
    EXPECT_FALSE(dynamic_cast<ContentsMimeData*>(plain.get()));
}

TEST_F(ContentsMimeDataTest, EntriesAboveTheExtractLimitOrCutShortAreRefused) {
    MutableGeneral().maxExtractSize = 10;
    // One within the limit, one above by its descriptor, one whose
    // descriptor gives no size and whose stream runs past the limit, and
    // one whose stream ends before the size its descriptor gives.
    const auto data = Streams({Entry("small.txt", 10), Entry("large.txt", 11),
                               Entry("unsized.txt", 0, false), Entry("short.txt", 8)},
                              {"0123456789", "0123456789A", QByteArray(40, 'u'), "abc"});
    std::unique_ptr<QMimeData> mime(ToMimeData(std::shared_ptr<const ShellDataObject>(data), 0));
    const QStringList paths = DecodeUriList(mime->data(ClipFormats::kUriList));
    ASSERT_EQ(paths.size(), 1);
    EXPECT_TRUE(paths[0].endsWith("/small.txt"));
    EXPECT_EQ(ReadPath(paths[0]), QByteArray("0123456789"));
    EXPECT_TRUE(notices.Has(kTooLargeToViewText, true));
    // No partial file of the refused ones.
    const QString folder = paths[0].left(paths[0].lastIndexOf('/'));
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"small.txt"});

    // Nothing left to offer: no data at all.
    MutableGeneral().maxExtractSize = 0;
    std::unique_ptr<QMimeData> none(
        ToMimeData(std::shared_ptr<const ShellDataObject>(Streams({Entry("a", 1)}, {"a"})), 0));
    EXPECT_TRUE(none->data(ClipFormats::kUriList).isEmpty());
}

TEST_F(ContentsMimeDataTest, ADragFromAnArchivePaneCopiesFromTheStreamWithinTheProgram) {
    ASSERT_TRUE(
        WriteTestArchive(a.Join("pack.zip"), "zip", "none", {{"docs/inside.txt", "inside bytes"}}));
    ASSERT_TRUE(Open(*left, a.Path() + QStringLiteral("/pack.zip/docs")));
    ASSERT_TRUE(left->Model()->IsDescriptor());
    ASSERT_TRUE(Open(*right, b.Path()));
    ASSERT_TRUE(Select(*left, {"inside.txt"}));

    const ContentsMimeData* dragged = nullptr;
    bool copiesBeforeDrop = true;
    transfer->SetDragRunner([&](QDrag& drag) {
        dragged = dynamic_cast<const ContentsMimeData*>(drag.mimeData());
        copiesBeforeDrop = dragged && dragged->CopiesMade();
        // Dropped on the other pane while the drag runs.
        QDropEvent drop(QPoint(1, 1), Qt::CopyAction | Qt::MoveAction, drag.mimeData(),
                        Qt::NoButton, Qt::ControlModifier);
        transfer->Drop(*right, *right->List()->ActiveView(), drop);
        EXPECT_FALSE(dragged && dragged->CopiesMade());
        return drop.dropAction();
    });
    transfer->BeginDrag(*left, left->List()->RowOf(Item(*left, "inside.txt")), Qt::LeftButton);
    ASSERT_TRUE(dragged);
    EXPECT_FALSE(copiesBeforeDrop);
    EXPECT_EQ(b.Read("inside.txt"), QByteArray("inside bytes"));
    // No temporary copy for other programs was made on the way.
    for (const QString& name : TempEntries())
        EXPECT_FALSE(name.startsWith("CvDrag_")) << name.toStdString();

    // The same entry on the clipboard reaches other programs as a file (the
    // copy above unselected it).
    EXPECT_FALSE(IsSelected(*left, "inside.txt"));
    ASSERT_TRUE(Select(*left, {"inside.txt"}));
    ASSERT_TRUE(Run(ID_EDIT_COPY));
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(clip);
    const QStringList paths = DecodeUriList(clip->data(ClipFormats::kUriList));
    ASSERT_EQ(paths.size(), 1);
    EXPECT_EQ(ReadPath(paths[0]), QByteArray("inside bytes"));
    EXPECT_TRUE(paths[0].endsWith("/inside.txt"));
}

}  // namespace
