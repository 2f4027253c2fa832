// Synchronizing two folder trees: the plan on a tree with every kind of
// difference, the engine requests it turns into, and the window carrying
// them out.

#include <fcntl.h>
#include <sys/stat.h>

#include <QLabel>
#include <QTableView>

#include "platform/fileop/FileOpRequest.h"
#include "tools/SyncPlan.h"
#include "tools/SyncWindow.h"
#include "tools/ToolsTestSupport.h"

namespace {

constexpr std::int64_t kBase = 1700000000;

struct Expected {
    SyncKind kind;
    SyncAction action;
    bool folder = false;
};

class SyncFoldersTest : public ToolsTest {
protected:
    // Both trees, with one of each difference and a few things that are
    // the same.
    void MakeTrees() {
        ASSERT_TRUE(a.MakeFile("only left.txt", "L", kBase));
        ASSERT_TRUE(a.MakeFile("left folder/inner/deep.txt", "deep", kBase));
        ASSERT_TRUE(b.MakeFile("only right.txt", "R", kBase));
        ASSERT_TRUE(a.MakeFile("newer.txt", "new left", kBase + 10));
        ASSERT_TRUE(b.MakeFile("newer.txt", "old right", kBase));
        ASSERT_TRUE(a.MakeFile("older.txt", "old left", kBase));
        ASSERT_TRUE(b.MakeFile("older.txt", "new right", kBase + 3600));
        ASSERT_TRUE(a.MakeFile("size.txt", "short", kBase));
        ASSERT_TRUE(b.MakeFile("size.txt", "longer one", kBase));
        ASSERT_TRUE(a.MakeFile("same.txt", "same", kBase));
        ASSERT_TRUE(b.MakeFile("same.txt", "same", kBase));
        ASSERT_TRUE(a.MakeFile("bytes.txt", "abcd", kBase));
        ASSERT_TRUE(b.MakeFile("bytes.txt", "abce", kBase));
        ASSERT_TRUE(a.MakeFile("close.txt", "xy", kBase + 2));
        ASSERT_TRUE(b.MakeFile("close.txt", "xy", kBase));
        ASSERT_TRUE(a.MakeFile("common/shared.txt", "s", kBase));
        ASSERT_TRUE(b.MakeFile("common/shared.txt", "s", kBase));
        ASSERT_TRUE(b.MakeFile("common/right sub/r.txt", "r", kBase));
        ASSERT_TRUE(a.MakeFile("common/newer inside.txt", "inside", kBase + 60));
        ASSERT_TRUE(b.MakeFile("common/newer inside.txt", "inside", kBase));
        ASSERT_TRUE(a.MakeFile("clash", "a file", kBase));
        ASSERT_TRUE(b.MakeFolder("clash"));
        ASSERT_TRUE(a.MakeSymlink("same link", "same.txt"));
        ASSERT_TRUE(b.MakeSymlink("same link", "same.txt"));
        ASSERT_TRUE(a.MakeSymlink("other link", "same.txt"));
        ASSERT_TRUE(b.MakeSymlink("other link", "size.txt"));
        ASSERT_TRUE(a.MakeFile("Case.txt", "c", kBase));
        ASSERT_TRUE(b.MakeFile("case.txt", "c", kBase));
    }

    std::vector<SyncRow> Plan(bool byContent) {
        const SyncEntry left = ScanSyncTree(a.Path());
        const SyncEntry right = ScanSyncTree(b.Path());
        return BuildSyncPlan(left, right, byContent, [this](const QString& relative) {
            return SyncFilesEqual(a.Path() + "/" + relative, b.Path() + "/" + relative);
        });
    }

    static std::map<QString, Expected> ByPath(const std::vector<SyncRow>& rows) {
        std::map<QString, Expected> out;
        for (const SyncRow& row : rows) out[row.relative] = {row.kind, row.action, row.folder};
        return out;
    }

    static void ExpectRow(const std::map<QString, Expected>& rows, const QString& path,
                          SyncKind kind, SyncAction action, bool folder = false) {
        SCOPED_TRACE(path.toStdString());
        const auto it = rows.find(path);
        ASSERT_NE(it, rows.end());
        EXPECT_EQ(it->second.kind, kind);
        EXPECT_EQ(it->second.action, action);
        EXPECT_EQ(it->second.folder, folder);
    }

    // Runs the window's scan to its end.
    static bool Scanned(SyncWindow& window) {
        return WaitFor(
            [&] { return !window.Scanning() && window.status->text() != SyncTexts::kReading; });
    }
};

}  // namespace

TEST_F(SyncFoldersTest, ThePlanFindsEveryKindOfDifference) {
    MakeTrees();
    const std::map<QString, Expected> rows = ByPath(Plan(false));
    ExpectRow(rows, "only left.txt", SyncKind::LeftOnly, SyncAction::CopyRight);
    ExpectRow(rows, "left folder", SyncKind::LeftOnly, SyncAction::CopyRight, true);
    ExpectRow(rows, "only right.txt", SyncKind::RightOnly, SyncAction::CopyLeft);
    ExpectRow(rows, "newer.txt", SyncKind::NewerLeft, SyncAction::CopyRight);
    ExpectRow(rows, "older.txt", SyncKind::NewerRight, SyncAction::CopyLeft);
    ExpectRow(rows, "size.txt", SyncKind::Different, SyncAction::Skip);
    ExpectRow(rows, "common/right sub", SyncKind::RightOnly, SyncAction::CopyLeft, true);
    ExpectRow(rows, "common/newer inside.txt", SyncKind::NewerLeft, SyncAction::CopyRight);
    ExpectRow(rows, "clash", SyncKind::Different, SyncAction::Skip);
    ExpectRow(rows, "other link", SyncKind::Different, SyncAction::Skip);
    ExpectRow(rows, "Case.txt", SyncKind::LeftOnly, SyncAction::CopyRight);
    ExpectRow(rows, "case.txt", SyncKind::RightOnly, SyncAction::CopyLeft);
    for (const char* same : {"same.txt", "bytes.txt", "close.txt", "common", "common/shared.txt",
                             "same link", "left folder/inner", "left folder/inner/deep.txt"})
        EXPECT_EQ(rows.count(same), 0u) << same << " is no difference by date and size";
    EXPECT_EQ(rows.size(), 12u);

    // By contents the equal-looking pair with other bytes shows too; the
    // same bytes still do not.
    const std::map<QString, Expected> deep = ByPath(Plan(true));
    ExpectRow(deep, "bytes.txt", SyncKind::Different, SyncAction::Skip);
    EXPECT_EQ(deep.count("same.txt"), 0u);
    EXPECT_EQ(deep.size(), 13u);
}

TEST_F(SyncFoldersTest, ActionsAreLimitedAndBatchesCopyBeforeDeleting) {
    MakeTrees();
    std::vector<SyncRow> rows = Plan(false);
    for (SyncRow& row : rows) {
        const std::vector<SyncAction> allowed = AllowedSyncActions(row);
        const bool canDelete =
            std::find(allowed.begin(), allowed.end(), SyncAction::Delete) != allowed.end();
        EXPECT_EQ(canDelete, row.onLeft != row.onRight)
            << row.relative.toStdString() << ": only what is on one side may be deleted";
        if (row.relative == "only right.txt")
            row.action = SyncAction::Delete;
        if (row.relative == "size.txt")
            row.action = SyncAction::CopyLeft;
    }
    const std::vector<SyncBatch> batches = SyncBatches(rows, a.Path(), b.Path());
    ASSERT_FALSE(batches.empty());
    EXPECT_EQ(batches.back().what, SyncBatch::What::DeleteRight);
    EXPECT_EQ(batches.back().sources, QStringList({b.Path() + "/only right.txt"}));
    QStringList toRightRoot;
    QStringList toLeftCommon;
    for (const SyncBatch& batch : batches) {
        if (batch.what == SyncBatch::What::CopyToRight && batch.targetFolder == b.Path())
            toRightRoot = batch.sources;
        if (batch.what == SyncBatch::What::CopyToLeft && batch.targetFolder == a.Path() + "/common")
            toLeftCommon = batch.sources;
    }
    toRightRoot.sort();
    EXPECT_EQ(toRightRoot, QStringList({a.Path() + "/Case.txt", a.Path() + "/left folder",
                                        a.Path() + "/newer.txt", a.Path() + "/only left.txt"}));
    EXPECT_EQ(toLeftCommon, QStringList({b.Path() + "/common/right sub"}));
}

TEST_F(SyncFoldersTest, TheWindowRunsTheShownRowsThroughTheEngine) {
    MakeTrees();
    SyncWindow window(a.Path(), b.Path(), false);
    std::vector<FileOpRequest> requests;
    window.SetEngine([&requests](const FileOpRequest& request, QWidget*) {
        requests.push_back(request);
        FileOpResult result;
        for (const QByteArray& source : request.sources)
            result.done.emplace_back(source, QByteArray());
        return result;
    });
    int changed = 0;
    window.SetChangedCallback([&changed] { ++changed; });
    ASSERT_TRUE(Scanned(window));
    ASSERT_EQ(window.Rows().size(), 12u);

    // Hide the right-only rows: they are not carried out.
    window.SetKindShown(SyncKind::RightOnly, false);
    EXPECT_EQ(window.ShownRows().size(), 9u);
    int onlyLeft = -1;
    for (int i = 0; i < int(window.Rows().size()); ++i)
        if (window.Rows()[std::size_t(i)].relative == "only left.txt")
            onlyLeft = i;
    ASSERT_GE(onlyLeft, 0);
    EXPECT_FALSE(window.SetAction(onlyLeft, SyncAction::CopyLeft))
        << "nothing to copy from the right";
    ASSERT_TRUE(window.SetAction(onlyLeft, SyncAction::Delete));

    // A double click steps a row through its actions and back.
    const std::vector<int> shown = window.ShownRows();
    int sizeRow = -1;
    for (int i = 0; i < int(shown.size()); ++i)
        if (window.Rows()[std::size_t(shown[std::size_t(i)])].relative == "size.txt")
            sizeRow = i;
    ASSERT_GE(sizeRow, 0);
    const QModelIndex sizeIndex = window.list->model()->index(sizeRow, 4);
    const SyncRow& sizeEntry = window.Rows()[std::size_t(shown[std::size_t(sizeRow)])];
    Q_EMIT window.list->doubleClicked(sizeIndex);
    EXPECT_EQ(sizeEntry.action, SyncAction::CopyRight);
    EXPECT_EQ(window.list->model()->data(sizeIndex).toString(),
              SyncActionText(SyncAction::CopyRight));
    Q_EMIT window.list->doubleClicked(sizeIndex);
    EXPECT_EQ(sizeEntry.action, SyncAction::CopyLeft);
    Q_EMIT window.list->doubleClicked(sizeIndex);
    EXPECT_EQ(sizeEntry.action, SyncAction::Skip);

    MutableGeneral().askConfirmation = true;
    EXPECT_TRUE(window.Synchronize());
    EXPECT_EQ(changed, 1);
    ASSERT_FALSE(requests.empty());
    bool deleted = false;
    for (const FileOpRequest& request : requests) {
        for (const QByteArray& source : request.sources) {
            EXPECT_FALSE(source.contains("only right")) << "a hidden row was run";
            EXPECT_FALSE(source.endsWith("/size.txt")) << "a skipped row was run";
        }
        if (request.func == FileOpRequest::Delete) {
            deleted = true;
            EXPECT_TRUE(request.allowUndo) << "deletes go to the trash";
            EXPECT_EQ(request.sources, std::vector<QByteArray>({a.Join("only left.txt")}));
        } else {
            EXPECT_FALSE(request.noConfirmation)
                << "overwriting is asked while bAskConfirmation is on";
        }
    }
    EXPECT_TRUE(deleted);
    EXPECT_EQ(requests.back().func, FileOpRequest::Delete) << "deletes come last";
    ASSERT_TRUE(Scanned(window)) << "the window reads the trees again";
}

TEST_F(SyncFoldersTest, ARealRunEvensTheTreesOut) {
    MakeTrees();
    MutableGeneral().askConfirmation = false;
    SyncWindow window(a.Path(), b.Path(), true);
    ASSERT_TRUE(Scanned(window));
    EXPECT_TRUE(window.Synchronize()) << prompter->Describe().toStdString();
    EXPECT_EQ(b.Read("only left.txt"), "L");
    EXPECT_EQ(b.Read("left folder/inner/deep.txt"), "deep");
    EXPECT_EQ(a.Read("only right.txt"), "R");
    EXPECT_EQ(b.Read("newer.txt"), "new left");
    EXPECT_EQ(a.Read("older.txt"), "new right");
    EXPECT_EQ(a.Read("common/right sub/r.txt"), "r");
    EXPECT_EQ(b.Read("common/newer inside.txt"), "inside");
    EXPECT_EQ(a.Read("size.txt"), "short") << "skipped";
    EXPECT_EQ(b.Read("size.txt"), "longer one") << "skipped";
    EXPECT_EQ(b.Read("bytes.txt"), "abce") << "skipped";
    struct stat st;
    ASSERT_EQ(::stat(b.Join("newer.txt").constData(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, kBase + 10) << "copies keep their times";

    ASSERT_TRUE(Scanned(window));
    QStringList left;
    for (const SyncRow& row : window.Rows()) left << row.relative;
    left.sort();
    EXPECT_EQ(left, QStringList({"bytes.txt", "clash", "other link", "size.txt"}))
        << "only what was skipped still differs";
}

TEST_F(SyncFoldersTest, TheCommandWantsTwoDifferentFoldersOfTheDisk) {
    ASSERT_TRUE(a.MakeFile("x", "1"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, a.Path()));
    EXPECT_FALSE(Enabled(ID_MARK_SYNC_FOLDERS)) << "the same folder";
    ASSERT_TRUE(Open(*right, b.Path()));
    EXPECT_TRUE(Enabled(ID_MARK_SYNC_FOLDERS));
    QStringList roots;
    dialogAnswer = [&roots](QDialog& dialog) {
        auto* window = qobject_cast<SyncWindow*>(&dialog);
        if (window)
            roots << window->windowTitle();
        return false;
    };
    Run(ID_MARK_SYNC_FOLDERS);
    EXPECT_EQ(roots, QStringList({SyncTexts::kTitle}));
}
