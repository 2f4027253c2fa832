#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QDrag>
#include <QListView>
#include <QMimeData>
#include <QTreeView>

#include "TransferTestSupport.h"
#include "fileops/TransferClipboard.h"
#include "fileops/TransferExecutor.h"
#include "fileops/TransferFormats.h"
#include "platform/fileop/FileOperation.h"
#include "platform/namespace/BasicDataObject.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellIdArray.h"
#include "shell/CommandIds.h"

namespace {

QByteArray LinkTarget(const QByteArray& path) {
    char buffer[4096];
    const ssize_t n = ::readlink(path.constData(), buffer, sizeof buffer);
    return n < 0 ? QByteArray() : QByteArray(buffer, n);
}

class ClipboardTest : public TransferTest {
protected:
    void SetUpPanes() {
        ASSERT_TRUE(a.MakeFile("one.txt", "1"));
        ASSERT_TRUE(a.MakeFile("two.txt", "2"));
        ASSERT_TRUE(Open(*left, a.Path()));
        ASSERT_TRUE(Open(*right, b.Path()));
    }
    // Makes the right pane the active one (the paste goes there).
    void ActivateRight() { host.active = right.get(); }
};

TEST_F(ClipboardTest, CopyThenPasteCopiesAndTellsOtherProgramsItIsACopy) {
    SetUpPanes();
    ASSERT_TRUE(Select(*left, {"one.txt", "two.txt"}));
    EXPECT_FALSE(Enabled(ID_EDIT_PASTE));
    ASSERT_TRUE(Run(ID_EDIT_COPY));

    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime);
    const QString one = a.Path() + QStringLiteral("/one.txt");
    const QString two = a.Path() + QStringLiteral("/two.txt");
    EXPECT_EQ(mime->data(ClipFormats::kGnomeCopiedFiles), EncodeCopiedFiles(false, {one, two}));
    EXPECT_EQ(ReadDword(mime->data(ClipFormats::kPreferredDropEffect)), 5u);
    EXPECT_EQ(mime->data(ClipFormats::kKdeCutSelection), QByteArray("0"));
    EXPECT_EQ(DecodeUriList(mime->data(ClipFormats::kUriList)), (QStringList{one, two}));
    EXPECT_FALSE(Item(*left, "one.txt") &&
                 left->List()->Model()->IsGhosted(Item(*left, "one.txt")));

    ActivateRight();
    EXPECT_TRUE(Enabled(ID_EDIT_PASTE));
    ASSERT_TRUE(Run(ID_EDIT_PASTE));
    EXPECT_EQ(b.Read("one.txt"), QByteArray("1"));
    EXPECT_EQ(b.Read("two.txt"), QByteArray("2"));
    EXPECT_TRUE(a.Exists("one.txt"));
    EXPECT_TRUE(IsSelected(*right, "one.txt"));
    // A copy stays on the clipboard for the next paste.
    EXPECT_TRUE(ClipboardOffersTransfer());

    // Pasting into the folder the items came from gives new names.
    host.active = left.get();
    ASSERT_TRUE(Run(ID_EDIT_PASTE));
    EXPECT_EQ(a.Read("one (copy).txt"), QByteArray("1"));
    EXPECT_EQ(a.Read("two (copy).txt"), QByteArray("2"));
}

TEST_F(ClipboardTest, CutShowsItemsGhostedAndPasteMovesAndEmptiesTheClipboard) {
    SetUpPanes();
    ASSERT_TRUE(Select(*left, {"one.txt"}));
    ASSERT_TRUE(Run(ID_EDIT_CUT));
    PaneRowModel* rows = left->List()->Model();
    EXPECT_TRUE(rows->IsGhosted(Item(*left, "one.txt")));
    EXPECT_FALSE(rows->IsGhosted(Item(*left, "two.txt")));
    const QModelIndex index = rows->index(left->List()->RowOf(Item(*left, "one.txt")), 0);
    EXPECT_TRUE(rows->data(index, Qt::ForegroundRole).isValid());
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime);
    EXPECT_TRUE(mime->data(ClipFormats::kGnomeCopiedFiles).startsWith("cut\n"));
    EXPECT_FALSE(mime->data(ClipFormats::kGnomeCopiedFiles).endsWith('\n'));
    EXPECT_EQ(mime->data(ClipFormats::kKdeCutSelection), QByteArray("1"));
    EXPECT_EQ(ReadDword(mime->data(ClipFormats::kPreferredDropEffect)), 6u);

    ActivateRight();
    ASSERT_TRUE(Run(ID_EDIT_PASTE));
    EXPECT_FALSE(a.Exists("one.txt"));
    EXPECT_EQ(b.Read("one.txt"), QByteArray("1"));
    EXPECT_FALSE(Item(*left, "one.txt"));
    EXPECT_FALSE(ClipboardOffersTransfer());
    EXPECT_FALSE(Enabled(ID_EDIT_PASTE));
}

TEST_F(ClipboardTest, ACutByAnotherProgramPastesAsAMoveAndPlainFileListsCopy) {
    SetUpPanes();
    ActivateRight();
    const QString one = a.Path() + QStringLiteral("/one.txt");
    const QString two = a.Path() + QStringLiteral("/two.txt");

    // Another file manager's cut: its own format and the file list, none of ours.
    auto* cut = new QMimeData;
    cut->setData(ClipFormats::kGnomeCopiedFiles, "cut\n" + FileUriOf(one) + "\n");
    cut->setData(ClipFormats::kUriList, EncodeUriList({one}));
    QGuiApplication::clipboard()->setMimeData(cut);
    EXPECT_TRUE(Enabled(ID_EDIT_PASTE));
    ASSERT_TRUE(Run(ID_EDIT_PASTE));
    EXPECT_FALSE(a.Exists("one.txt"));
    EXPECT_TRUE(b.Exists("one.txt"));
    EXPECT_EQ(TheOperationRecord().sourcePath, a.Path());
    EXPECT_EQ(TheOperationRecord().effect, std::uint32_t(DROPEFFECT_MOVE));
    // The cut is used up: the other program's clipboard is emptied.
    EXPECT_FALSE(ClipboardOffersTransfer());

    // A plain file list (no word about cut or copy) copies.
    auto* plain = new QMimeData;
    plain->setData(ClipFormats::kUriList, EncodeUriList({two}));
    QGuiApplication::clipboard()->setMimeData(plain);
    ASSERT_TRUE(Run(ID_EDIT_PASTE));
    EXPECT_TRUE(a.Exists("two.txt"));
    EXPECT_TRUE(b.Exists("two.txt"));
    EXPECT_EQ(TheOperationRecord().effect, std::uint32_t(DROPEFFECT_COPY));
    EXPECT_TRUE(ClipboardOffersTransfer());  // a copy stays

    // The desktop's cut marker alone.
    ASSERT_TRUE(a.MakeFile("three.txt", "3"));
    auto* kde = new QMimeData;
    kde->setData(ClipFormats::kUriList, EncodeUriList({a.Path() + QStringLiteral("/three.txt")}));
    kde->setData(ClipFormats::kKdeCutSelection, "1");
    QGuiApplication::clipboard()->setMimeData(kde);
    ASSERT_TRUE(Run(ID_EDIT_PASTE));
    EXPECT_FALSE(a.Exists("three.txt"));
    EXPECT_TRUE(b.Exists("three.txt"));
    EXPECT_FALSE(ClipboardOffersTransfer());

    // Text that names no files is nothing to paste.
    QGuiApplication::clipboard()->setText(QStringLiteral("hello"));
    EXPECT_FALSE(Enabled(ID_EDIT_PASTE));
}

TEST_F(ClipboardTest, PasteShortcutMakesSymbolicLinks) {
    SetUpPanes();
    ASSERT_TRUE(b.MakeFile("one.txt", "taken"));
    ASSERT_TRUE(Select(*left, {"one.txt", "two.txt"}));
    ASSERT_TRUE(Run(ID_EDIT_COPY));
    ActivateRight();
    EXPECT_TRUE(Enabled(ID_EDIT_PASTE_LINK));
    ASSERT_TRUE(Run(ID_EDIT_PASTE_LINK));

    EXPECT_EQ(LinkTarget(b.Join("two.txt")), a.Join("two.txt"));
    // A taken name is never replaced: the link gets a free one.
    EXPECT_EQ(b.Read("one.txt"), QByteArray("taken"));
    EXPECT_EQ(LinkTarget(b.Join("one (link).txt")), a.Join("one.txt"));
    EXPECT_EQ(TheOperationRecord().effect, std::uint32_t(DROPEFFECT_LINK));
    EXPECT_TRUE(Item(*right, "two.txt"));
    EXPECT_TRUE(a.Exists("one.txt"));
}

// -- Drops onto a pane --------------------------------------------------------------------

TEST_F(DropTest, DropOnEmptySpaceMovesWithinAVolumeAndCopiesWithCtrl) {
    ASSERT_TRUE(a.MakeFile("m.txt", "m"));
    ASSERT_TRUE(a.MakeFile("c.txt", "c"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));

    QMimeData moveData;
    moveData.setData(ClipFormats::kUriList, EncodeUriList({a.Path() + QStringLiteral("/m.txt")}));
    EXPECT_EQ(DropAt(*right, EmptyPoint(*right), moveData, Qt::LeftButton, Qt::NoModifier),
              Qt::MoveAction);
    EXPECT_TRUE(lastMoveAccepted);
    EXPECT_FALSE(a.Exists("m.txt"));
    EXPECT_TRUE(b.Exists("m.txt"));
    EXPECT_TRUE(IsSelected(*right, "m.txt"));

    QMimeData copyData;
    copyData.setData(ClipFormats::kUriList, EncodeUriList({a.Path() + QStringLiteral("/c.txt")}));
    EXPECT_EQ(DropAt(*right, EmptyPoint(*right), copyData, Qt::LeftButton, Qt::ControlModifier),
              Qt::CopyAction);
    EXPECT_TRUE(a.Exists("c.txt"));
    EXPECT_TRUE(b.Exists("c.txt"));

    // A move into the folder the items are in is no drop at all.
    QMimeData same;
    same.setData(ClipFormats::kUriList, EncodeUriList({b.Path() + QStringLiteral("/c.txt")}));
    EXPECT_EQ(DropAt(*right, EmptyPoint(*right), same, Qt::LeftButton, Qt::ShiftModifier),
              Qt::IgnoreAction);
    EXPECT_FALSE(lastMoveAccepted);
    EXPECT_TRUE(b.Exists("c.txt"));
}

TEST_F(DropTest, DropOnAFolderItemGoesIntoThatFolder) {
    ASSERT_TRUE(a.MakeFile("f.txt", "f"));
    ASSERT_TRUE(b.MakeFolder("inside"));
    ASSERT_TRUE(b.MakeFile("plain.txt", "p"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));
    QMimeData data;
    data.setData(ClipFormats::kUriList, EncodeUriList({a.Path() + QStringLiteral("/f.txt")}));

    const QPoint over = RowPoint(*right, "inside");
    QDragEnterEvent enter(over, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::ControlModifier);
    transfer->DragEnter(*right, View(*right), enter);
    // The folder under the cursor is highlighted as the drop's target.
    EXPECT_EQ(right->List()->Model()->DropHighlight(), Item(*right, "inside"));
    transfer->DragLeave(*right);
    EXPECT_EQ(right->List()->Model()->DropHighlight(), nullptr);

    EXPECT_EQ(DropAt(*right, over, data, Qt::LeftButton, Qt::ControlModifier), Qt::CopyAction);
    EXPECT_TRUE(b.Exists("inside/f.txt"));
    EXPECT_FALSE(b.Exists("f.txt"));
    EXPECT_EQ(right->List()->Model()->DropHighlight(), nullptr);
}

TEST_F(DropTest, RightButtonDropAsksWhatToDo) {
    ASSERT_TRUE(a.MakeFile("r.txt", "r"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));
    QMimeData data;
    data.setData(ClipFormats::kUriList, EncodeUriList({a.Path() + QStringLiteral("/r.txt")}));

    std::uint32_t offered = 0;
    std::uint32_t preferred = 0;
    std::uint32_t answer = DROPEFFECT_NONE;
    transfer->SetDropMenu([&](QPoint, std::uint32_t allowed, std::uint32_t wanted) {
        offered = allowed;
        preferred = wanted;
        return answer;
    });
    // Cancel: nothing happens, and nothing beeps.
    EXPECT_EQ(DropAt(*right, EmptyPoint(*right), data, Qt::RightButton, Qt::NoModifier),
              Qt::IgnoreAction);
    EXPECT_EQ(offered, kAllDropEffects);
    EXPECT_EQ(preferred, std::uint32_t(DROPEFFECT_MOVE));
    EXPECT_FALSE(b.Exists("r.txt"));
    EXPECT_TRUE(prompter->Beeps().isEmpty());

    answer = DROPEFFECT_LINK;
    EXPECT_EQ(DropAt(*right, EmptyPoint(*right), data, Qt::RightButton, Qt::NoModifier),
              Qt::LinkAction);
    EXPECT_EQ(LinkTarget(b.Join("r.txt")), a.Join("r.txt"));
    EXPECT_TRUE(a.Exists("r.txt"));
}

TEST_F(DropTest, DragFromAPaneOffersTheSelectionWithTheItemUnderTheCursor) {
    ASSERT_TRUE(a.MakeFile("x.txt", "x"));
    ASSERT_TRUE(a.MakeFile("y.txt", "y"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));
    ASSERT_TRUE(Select(*left, {"x.txt"}));

    QStringList dragged;
    bool hasPixmap = true;
    transfer->SetDragRunner([&](QDrag& drag) {
        const MimeDataObject data(*drag.mimeData());
        dragged = FilePathsOf(data);
        hasPixmap = !drag.pixmap().isNull();
        // Dropped on the other pane while the drag runs.
        QDropEvent drop(EmptyPoint(*right), Qt::CopyAction | Qt::MoveAction, drag.mimeData(),
                        Qt::NoButton, Qt::ControlModifier);
        transfer->Drop(*right, View(*right), drop);
        return drop.dropAction();
    });
    const int yRow = left->List()->RowOf(Item(*left, "y.txt"));
    transfer->BeginDrag(*left, yRow, Qt::LeftButton);
    EXPECT_EQ(dragged, (QStringList{a.Path() + QStringLiteral("/x.txt"),
                                    a.Path() + QStringLiteral("/y.txt")}));
    EXPECT_FALSE(hasPixmap);  // a picture only for one item
    EXPECT_TRUE(b.Exists("x.txt"));
    EXPECT_TRUE(b.Exists("y.txt"));

    // One item drags its own picture.
    ASSERT_TRUE(Select(*left, {"x.txt"}));
    transfer->SetDragRunner([&](QDrag& drag) {
        hasPixmap = !drag.pixmap().isNull();
        return Qt::IgnoreAction;
    });
    transfer->BeginDrag(*left, left->List()->RowOf(Item(*left, "x.txt")), Qt::LeftButton);
    EXPECT_TRUE(hasPixmap);

    // Nothing selected and no row under the cursor: nothing to drag.
    left->List()->ClearSelection();
    transfer->BeginDrag(*left, -1, Qt::LeftButton);
    EXPECT_TRUE(notices.Has(TransferNotices::kNothingToDrag, true));
}

// -- View and edit ---------------------------------------------------------------------

class ViewEditTest : public TransferTest {
protected:
    struct Opened {
        QString path;
        bool viewOnly;
    };
    void InstallOpener() {
        transfer->SetEditorOpener([this](const QString& path, bool viewOnly) {
            opened.push_back({path, viewOnly});
            return true;
        });
    }
    std::vector<Opened> opened;
};

TEST_F(ViewEditTest, ViewAndEditOpenFilesSkipFoldersAndAskForMany) {
    ASSERT_TRUE(a.MakeFile("t.txt", "t"));
    ASSERT_TRUE(a.MakeFolder("dir"));
    for (int i = 0; i < 11; ++i) ASSERT_TRUE(a.MakeFile("m" + QByteArray::number(i), "m"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Select(*left, {"t.txt"}));
    EXPECT_FALSE(Enabled(ID_FILE_VIEW));  // no editor yet
    InstallOpener();
    EXPECT_TRUE(Enabled(ID_FILE_VIEW));
    EXPECT_TRUE(Enabled(ID_FILE_EDIT));

    ASSERT_TRUE(Run(ID_FILE_VIEW));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].path, a.Path() + QStringLiteral("/t.txt"));
    EXPECT_TRUE(opened[0].viewOnly);

    opened.clear();
    ASSERT_TRUE(Select(*left, {"dir"}));
    ASSERT_TRUE(Run(ID_FILE_EDIT));
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(notices.Has(TransferNotices::kNeedsFile, true));

    QStringList many;
    for (int i = 0; i < 11; ++i) many << QStringLiteral("m%1").arg(i);
    ASSERT_TRUE(Select(*left, many));
    prompter->AnswerMessage(PromptAnswer::No);
    ASSERT_TRUE(Run(ID_FILE_EDIT));
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(prompter->Requests().front().text,
              QStringLiteral("Are you sure you want to edit all these files?"));
    prompter->AnswerMessage(PromptAnswer::Yes);
    ASSERT_TRUE(Run(ID_FILE_EDIT));
    EXPECT_EQ(opened.size(), 11u);
    EXPECT_FALSE(opened[0].viewOnly);

    // Without a selection the focused item is opened.
    opened.clear();
    left->List()->ClearSelection();
    left->List()->SetFocusedRow(left->List()->RowOf(Item(*left, "t.txt")), false);
    ASSERT_TRUE(Run(ID_FILE_VIEW));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].path, a.Path() + QStringLiteral("/t.txt"));
}

}  // namespace

namespace {

// Entries of an archive arrive as contents streams only: they are written
// whole into the target, and the temporary folder they passed through goes.
TEST_F(ClipboardTest, ContentsStreamsArriveAsWholeFiles) {
    ASSERT_TRUE(Open(*right, b.Path()));
    ASSERT_TRUE(b.MakeFile("taken.txt", "old"));
    ASSERT_TRUE(right->RefreshPane(false, nullptr));
    BasicDataObject data;
    const IdList parent = ParsePath(a.Path());
    data.SetData(ClipFormats::kShellIdList, EncodeShellIdArray(parent, {}));
    FileDescriptor first;
    first.name = QStringLiteral("inner/deep.txt");  // only the last part counts
    first.size = 5;
    FileDescriptor second;
    second.name = QStringLiteral("taken.txt");
    second.size = 3;
    const QList<QByteArray> contents = {"hello", "new"};
    data.SetFileGroup({first, second}, [contents](int index) -> std::unique_ptr<QIODevice> {
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData(contents[index]);
        buffer->open(QIODevice::ReadOnly);
        return buffer;
    });
    const QStringList tempBefore = QDir(QDir::tempPath()).entryList({"CvExtract_*"}, QDir::Dirs);

    // The name already taken is asked about; Skip keeps the old file.
    prompter->AnswerChoice(int(ConflictChoice::Skip));
    EXPECT_EQ(ExecuteTransfer(host, DROPEFFECT_COPY, &data, *right->Model(), true),
              std::uint32_t(DROPEFFECT_COPY));
    EXPECT_EQ(b.Read("deep.txt"), QByteArray("hello"));
    EXPECT_EQ(b.Read("taken.txt"), QByteArray("old"));
    EXPECT_TRUE(IsSelected(*right, "deep.txt"));
    EXPECT_EQ(QDir(QDir::tempPath()).entryList({"CvExtract_*"}, QDir::Dirs), tempBefore);

    // Contents can't be moved or linked: nothing happens, and the user is told.
    EXPECT_EQ(ExecuteTransfer(host, DROPEFFECT_LINK, &data, *right->Model(), true),
              std::uint32_t(DROPEFFECT_NONE));
    EXPECT_TRUE(notices.Has(kNoComplyNotice, true));
}

}  // namespace
