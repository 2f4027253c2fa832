#include <QAbstractItemView>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include "ActivationTestSupport.h"
#include "OversizedArchive.h"
#include "platform/archive/ArchiveExtractor.h"
#include "platform/fs/TempCopyFile.h"
#include "platform/ui/KeyState.h"
#include "shell/CommandIds.h"
#include "shell/ShellContext.h"
#include "support/TestDir.h"
#include "support/Wait.h"

namespace {

const QString kLaunched = QStringLiteral("Item launched in the background.");
const QString kNothingSelected = QStringLiteral("No item is selected to act upon");

class LaunchTest : public RealShellTest {
protected:
    LaunchTest() {
        first = std::make_unique<RecordingPane>(host);
        AttachPanes(host, *first);
    }
    ~LaunchTest() override {
        second.reset();
        first.reset();
    }

    bool Open(CPanexView& pane, const QByteArray& path) {
        return pane.OpenFolder(ParsePath(NameFromBytes(path)));
    }
    // Selects and focuses the row of `name` alone.
    void SelectOnly(CPanexView& pane, const QString& name) {
        pane.List()->ClearSelection();
        FolderItem* item = pane.Model()->FindByName(name);
        ASSERT_NE(item, nullptr) << name.toStdString();
        pane.List()->SetFocusedRow(pane.List()->RowOf(item), true);
    }
    void PressEnter(CPanexView& pane) {
        QTest::keyClick(pane.List()->ActiveView(), Qt::Key_Return);
    }
    int LaunchNotices(const NoticeRecorder& notices) const {
        int count = 0;
        for (const auto& entry : notices.entries)
            count += entry.text && *entry.text == kLaunched ? 1 : 0;
        return count;
    }

    ActivationHost host;
    std::unique_ptr<RecordingPane> first;
    std::unique_ptr<RecordingPane> second;
    CwdKeeper cwd;
};

// Enter on a folder, or on a link to one, opens it in the pane; Enter on a
// file, or on a link to one, hands the item to the launcher exactly once.
TEST_F(LaunchTest, EnterOpensFoldersAndLinksToFoldersAndLaunchesFilesOnce) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("sub/inner.txt", "x"));
    ASSERT_TRUE(dir.MakeFile("doc.txt", "text"));
    ASSERT_TRUE(dir.MakeSymlink("tosub", "sub"));
    ASSERT_TRUE(dir.MakeSymlink("todoc", "doc.txt"));
    LaunchRecorder launches;
    NoticeRecorder notices;

    ASSERT_TRUE(Open(*first, dir.PathBytes()));
    SelectOnly(*first, "sub");
    PressEnter(*first);
    EXPECT_EQ(first->Model()->path, dir.Path() + "/sub");
    EXPECT_EQ(RowNames(*first), std::vector<QString>({"inner.txt"}));

    ASSERT_TRUE(Open(*first, dir.PathBytes()));
    SelectOnly(*first, "tosub");
    PressEnter(*first);
    EXPECT_EQ(first->Model()->path, dir.Path() + "/sub") << "the link's target is opened";
    EXPECT_EQ(launches.Count(), 0u) << "folders are never launched";

    ASSERT_TRUE(Open(*first, dir.PathBytes()));
    SelectOnly(*first, "doc.txt");
    PressEnter(*first);
    EXPECT_EQ(LaunchNotices(notices), 1) << "one launch per Enter";
    ASSERT_TRUE(WaitFor([&] { return launches.Count() >= 1; }));
    EXPECT_EQ(AbsoluteDisplayName(launches.Launched()[0], SHGDN_FORPARSING),
              dir.Path() + "/doc.txt");
    EXPECT_EQ(first->Model()->path, dir.Path()) << "the pane stays where it is";

    SelectOnly(*first, "todoc");
    PressEnter(*first);
    EXPECT_EQ(LaunchNotices(notices), 2);
    ASSERT_TRUE(WaitFor([&] { return launches.Count() >= 2; }));

    // A double click launches once as well.
    first->resize(400, 300);
    first->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(first.get()));
    SelectOnly(*first, "doc.txt");
    QAbstractItemView* view = first->List()->ActiveView();
    const int row = first->List()->RowOf(first->Model()->FindByName("doc.txt"));
    const QRect rect = view->visualRect(first->List()->Model()->index(row, 0));
    QSignalSpy doubleClicks(view, &QAbstractItemView::doubleClicked);
    // A double click is a click and a second press that is a double click.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    ASSERT_EQ(doubleClicks.count(), 1);
    EXPECT_EQ(LaunchNotices(notices), 3);
    ASSERT_TRUE(WaitFor([&] { return launches.Count() >= 3; }));
}

// Enter on a file whose type no application opens ends in a notice that
// says so, not in a launch that silently did nothing.
TEST_F(LaunchTest, EnterOnAFileNoApplicationOpensReportsTheFailure) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("blob.corvanenone", QByteArray("\x00\x01\x02\x03\xff", 5)));
    NoticeRecorder notices;
    ASSERT_TRUE(Open(*first, dir.PathBytes()));
    SelectOnly(*first, "blob.corvanenone");
    PressEnter(*first);
    const QString expected = QStringLiteral("No application is set to open \"blob.corvanenone\"");
    const auto reported = [&] {
        for (const auto& entry : notices.entries) {
            if (entry.alert && entry.text && entry.text->startsWith(expected))
                return true;
        }
        return false;
    };
    EXPECT_TRUE(WaitFor(reported));
}

// Enter and the double click act on the selection; the open command also
// takes the focused row when nothing is selected; with nothing at all the
// user is told.
TEST_F(LaunchTest, OpenCommandFallsBackToTheFocusedRowAndComplainsWithoutOne) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("a.txt", "a"));
    LaunchRecorder launches;
    NoticeRecorder notices;
    ASSERT_TRUE(Open(*first, dir.PathBytes()));
    first->List()->ClearSelection();
    first->List()->SetFocusedRow(0, false);

    PressEnter(*first);
    EXPECT_TRUE(notices.Has(kNothingSelected, true));
    EXPECT_EQ(LaunchNotices(notices), 0);

    notices.entries.clear();
    EXPECT_TRUE(first->RunPaneCommand(ID_OPEN_ITEM));
    EXPECT_EQ(LaunchNotices(notices), 1);
    ASSERT_TRUE(WaitFor([&] { return launches.Count() >= 1; }));

    notices.entries.clear();
    first->List()->SetFocusedRow(-1, false);
    first->RunPaneCommand(ID_OPEN_ITEM);
    EXPECT_TRUE(notices.Has(kNothingSelected, true));
    EXPECT_EQ(LaunchNotices(notices), 0);
}

// With Alt held (Alt+Return) a folder opens in the other pane, which is
// the command target then.
TEST_F(LaunchTest, AltOpensTheFolderInTheOtherPane) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFolder("sub"));
    ASSERT_TRUE(dir.MakeFolder("elsewhere"));
    second = std::make_unique<RecordingPane>(host);
    host.second = second.get();
    second->LoadSettings();
    ASSERT_TRUE(Open(*first, dir.PathBytes()));
    ASSERT_TRUE(Open(*second, dir.Join("elsewhere")));
    SelectOnly(*first, "sub");
    {
        ScopedKeyState alt(Qt::AltModifier);
        first->RunPaneCommand(ID_OPEN_ITEM);
    }
    EXPECT_EQ(second->Model()->path, dir.Path() + "/sub");
    EXPECT_EQ(first->Model()->path, dir.Path());
}

}  // namespace

namespace {

// A damaged archive is refused by name and with the reason, and the pane
// stays where it was.
TEST_F(LaunchTest, DamagedArchiveIsRefusedWithItsNameAndReason) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("bad.zip", QByteArray(3000, '\x5a')));
    ASSERT_TRUE(Open(*first, dir.PathBytes()));
    NoticeRecorder notices;
    EXPECT_FALSE(Open(*first, dir.Join("bad.zip")));
    EXPECT_EQ(first->Model()->path, dir.Path());
    bool named = false;
    for (const auto& entry : notices.entries) {
        if (!entry.text || !entry.alert)
            continue;
        const QString prefix =
            QStringLiteral("Reading from '%1' has failed miserably: ").arg(dir.Path() + "/bad.zip");
        named = named || (entry.text->startsWith(prefix) && entry.text->size() > prefix.size());
    }
    EXPECT_TRUE(named);
}

}  // namespace

namespace {

// Enter on an entry of an archive opens it from a temporary copy made in
// the background, and a refusal still reaches the user: one over the size
// limit is not extracted.
TEST_F(LaunchTest, ArchiveEntryOverTheLimitIsRefusedWithTheReason) {
    TestDir dir;
    const OversizedArchive archive(dir);
    ASSERT_TRUE(archive.made);

    ASSERT_TRUE(Open(*first, dir.Join("pack.tar")));
    ASSERT_TRUE(first->Model()->IsDescriptor());
    SelectOnly(*first, QStringLiteral("big.txt"));
    NoticeRecorder notices;
    EXPECT_TRUE(first->Launch(false));  // unpacked off the main thread
    EXPECT_TRUE(WaitFor(
        [&] { return notices.Has(OverExtractLimitText(300000, MaxExtractSize()), true); }, 10000));
    EXPECT_TRUE(QDir(dir.Path() + "/tmp").isEmpty());
    EXPECT_EQ(first->Model()->path, dir.Path() + "/pack.tar");
}

}  // namespace
