// The results window over real folders and two real panes: rows as they
// arrive and sorted at the end, the self-closing empty window, ESC during
// the search, browse into either pane, delete, view, the batch script with
// each result's own folder, and the printed list.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QDialog>
#include <QPointer>
#include <QTemporaryDir>

#include "find/FindRequest.h"
#include "find/FindResultsWindow.h"
#include "find/FindSearchJob.h"
#include "pane/PaneTestSupport.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/FormatSize.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDir.h"
#include "tools/BatchDialogs.h"
#include "tools/BatchScript.h"

namespace {

class FindResultsTest : public TwoPaneTest<> {
protected:
    void SetUp() override {
        MutableGeneral().saveSettings = false;
        TwoPaneTest::SetUp();
        ASSERT_TRUE(left->OpenFolder(ParsePath(dir.Path())));
        ASSERT_TRUE(right->OpenFolder(ParsePath(dir.Path())));
        services.openInEditor = [this](const QString& path, bool viewOnly) {
            opened.append({path, viewOnly});
            return true;
        };
        services.listingPath = [this] { return tempDir.filePath(QStringLiteral("CvDirListing")); };
        services.batchPath = [this] { return tempDir.filePath(QStringLiteral("batch.sh")); };
        services.runDialog = [this](QDialog& dialog) {
            return dialogAnswer ? dialogAnswer(dialog) : false;
        };
    }
    void TearDown() override {
        delete window.data();
        BatchTemplateHistory().Clear();
        TwoPaneTest::TearDown();
    }

    // A window over `named` in the test folder, the search waited for.
    FindResultsWindow* Open(const QString& named, bool wait = true) {
        FindRequest request;
        request.lookIn = dir.Path();
        request.folders = {dir.PathBytes()};
        request.patterns.Parse(FindPatternText(named, true));
        window = new FindResultsWindow(host, request, services);
        tester = std::make_unique<QAbstractItemModelTester>(
            window->List()->Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        if (wait) {
            EXPECT_TRUE(WaitFor([this] { return !window || !window->IsRunning(); }));
        }
        return window;
    }

    QStringList RowPaths() const {
        QStringList paths;
        for (int row = 0; row < window->List()->RowCount(); ++row)
            paths.append(window->RowPath(row));
        return paths;
    }

    QStringList SelectedNames(CPanexView& pane) const {
        QStringList names;
        for (FolderItem* item : pane.List()->SelectedItems()) names.append(item->name);
        names.sort();
        return names;
    }

    QString P(const char* relative) const { return dir.Path() + QStringLiteral("/") + relative; }

    TestDir dir;
    QTemporaryDir tempDir;
    ScopedPrompter prompter;
    FindWindowServices services;
    QList<std::pair<QString, bool>> opened;
    std::function<bool(QDialog&)> dialogAnswer;
    QPointer<FindResultsWindow> window;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

}  // namespace

TEST_F(FindResultsTest, ResultsAreListedCountedAndSortedByFolderThenName) {
    ASSERT_TRUE(dir.MakeFile("b/z.log", "zz"));
    ASSERT_TRUE(dir.MakeFile("b/y.log", "y"));
    ASSERT_TRUE(dir.MakeFile("a/x.log", "xxx"));
    ASSERT_TRUE(dir.MakeFile("c.txt", "c"));
    Open(QStringLiteral("*.log"));
    ASSERT_TRUE(window);
    EXPECT_EQ(window->Count(), 3);
    EXPECT_EQ(window->StatusText(), FindResultsTexts::kFound.arg(3));
    EXPECT_EQ(window->windowTitle(), FindResultsTexts::kResultsIn.arg(dir.Path()));

    window->OnCommand(ID_SORT_FOLDER);
    EXPECT_EQ(RowPaths(), QStringList({P("a/x.log"), P("b/y.log"), P("b/z.log")}));
    window->OnCommand(ID_SORT_ASCENDING);
    EXPECT_EQ(RowPaths(), QStringList({P("b/z.log"), P("b/y.log"), P("a/x.log")}));
    window->OnCommand(ID_SORT_ASCENDING);
    window->OnCommand(ID_SORT_SIZE);
    EXPECT_EQ(RowPaths(), QStringList({P("b/y.log"), P("b/z.log"), P("a/x.log")}));

    // The popup's states follow the selection.
    bool enabled = true;
    bool checked = false;
    window->UpdateCommand(ID_FIND_BROWSE, enabled, checked);
    EXPECT_FALSE(enabled);
    window->List()->SelectRow(0, true);
    window->List()->SelectRow(1, true);
    window->UpdateCommand(ID_FIND_BROWSE, enabled, checked);
    EXPECT_TRUE(enabled);
    window->UpdateCommand(ID_FIND_VIEW_FILE, enabled, checked);
    EXPECT_FALSE(enabled);
    window->UpdateCommand(ID_SORT_FOLDER, enabled, checked);
    EXPECT_TRUE(enabled);
    window->UpdateCommand(ID_SORT_SIZE, enabled, checked);
    EXPECT_TRUE(checked);
}

TEST_F(FindResultsTest, ANameThatIsNotValidUtf8IsListedAndBrowsedExactly) {
    const QByteArray odd("odd\xff\n.log");
    ASSERT_TRUE(dir.MakeFile("sub/" + odd, "1"));
    Open(QStringLiteral("*.log"));
    ASSERT_EQ(window->Count(), 1);
    EXPECT_EQ(NameToBytes(window->RowPath(0)), dir.Join("sub/" + odd));
    window->List()->SelectRow(0, true);
    window->Browse(false);
    EXPECT_EQ(left->Model()->path, P("sub"));
    ASSERT_EQ(left->List()->SelectedItems().size(), 1u);
    EXPECT_EQ(NameToBytes(left->List()->SelectedItems().front()->name), odd);
}

TEST_F(FindResultsTest, AnEmptyResultSaysSoAndClosesItself) {
    ASSERT_TRUE(dir.MakeFile("a.txt"));
    Open(QStringLiteral("*.nothing"));
    ASSERT_TRUE(window);
    EXPECT_EQ(window->StatusText(), FindResultsTexts::kNothing);
    EXPECT_TRUE(WaitFor([this] { return window.isNull(); }, 10000));
}

TEST_F(FindResultsTest, EscapeDuringTheSearchOnlyStopsIt) {
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(dir.MakeFile("d" + QByteArray::number(i) + "/f.txt"));
    FindRequest request;
    request.lookIn = dir.Path();
    for (int i = 0; i < 200; ++i) request.folders.append(dir.PathBytes());
    request.patterns.Parse(QStringLiteral("*.txt"));
    window = new FindResultsWindow(host, request, services);
    window->show();
    // Nothing has been delivered yet: the window still counts as searching.
    ASSERT_TRUE(window->IsRunning());
    window->RequestClose();
    EXPECT_TRUE(window->IsRunning());
    ASSERT_TRUE(WaitFor([this] { return !window || !window->IsRunning(); }));
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle(), FindResultsTexts::kResultsIn.arg(dir.Path()));
    EXPECT_LT(window->Count(), 20 * 200);
    if (window->Count() > 0) {
        EXPECT_EQ(window->StatusText(), FindResultsTexts::kFound.arg(window->Count()));
    }
    // Now ESC closes it.
    window->RequestClose();
    EXPECT_TRUE(WaitFor([this] { return window.isNull(); }));
}

TEST_F(FindResultsTest, BrowseSelectsOnlyTheRowsOfTheFirstSelectedRowsFolder) {
    ASSERT_TRUE(dir.MakeFile("a/x.log"));
    ASSERT_TRUE(dir.MakeFile("b/y.log"));
    ASSERT_TRUE(dir.MakeFile("b/z.log"));
    ASSERT_TRUE(dir.MakeFile("b/other.txt"));
    Open(QStringLiteral("*.log"));
    window->OnCommand(ID_SORT_FOLDER);
    ASSERT_EQ(RowPaths(), QStringList({P("a/x.log"), P("b/y.log"), P("b/z.log")}));

    window->List()->SelectRow(0, true);
    window->List()->SelectRow(2, true);
    window->Browse(false);
    EXPECT_EQ(left->Model()->path, P("a"));
    EXPECT_EQ(SelectedNames(*left), QStringList({QStringLiteral("x.log")}));
    EXPECT_EQ(right->Model()->path, dir.Path());

    window->List()->ClearSelection();
    window->List()->SelectRow(1, true);
    window->List()->SelectRow(2, true);
    window->Browse(true);  // with Alt: the other pane
    EXPECT_EQ(right->Model()->path, P("b"));
    EXPECT_EQ(SelectedNames(*right),
              QStringList({QStringLiteral("y.log"), QStringLiteral("z.log")}));
    EXPECT_EQ(left->Model()->path, P("a"));

    // Nothing selected: nothing happens.
    window->List()->ClearSelection();
    window->Browse(false);
    EXPECT_EQ(left->Model()->path, P("a"));
}

// Folders that differ only in case are two folders: Browse into Docs must
// not select there a file the search found in docs, or a Delete right
// after would take a file nobody found.
TEST_F(FindResultsTest, BrowseTellsFoldersApartByCase) {
    ASSERT_TRUE(dir.MakeFile("Docs/a.log"));
    ASSERT_TRUE(dir.MakeFile("docs/b.log"));
    Open(QStringLiteral("*.log"));
    window->OnCommand(ID_SORT_NAME);
    ASSERT_EQ(RowPaths(), QStringList({P("Docs/a.log"), P("docs/b.log")}));
    // Made after the search: not among the results.
    ASSERT_TRUE(dir.MakeFile("Docs/b.log"));
    window->List()->SelectRow(0, true);
    window->List()->SelectRow(1, true);
    window->Browse(false);
    EXPECT_EQ(left->Model()->path, P("Docs"));
    EXPECT_EQ(SelectedNames(*left), QStringList({QStringLiteral("a.log")}));
}

TEST_F(FindResultsTest, ViewFileOpensOneFileEvenAnEmptyOneAndBeepsOnAFolder) {
    ASSERT_TRUE(dir.MakeFile("full.log", "text"));
    ASSERT_TRUE(dir.MakeFile("empty.log"));
    ASSERT_TRUE(dir.MakeFolder("folder.log"));
    Open(QStringLiteral("*.log"));
    window->OnCommand(ID_SORT_NAME);
    ASSERT_EQ(RowPaths(), QStringList({P("folder.log"), P("empty.log"), P("full.log")}));
    window->List()->SelectRow(0, true);
    window->ViewFile();
    EXPECT_EQ(prompter->Beeps().size(), 1);
    EXPECT_TRUE(opened.isEmpty());
    for (int row : {1, 2}) {
        window->List()->ClearSelection();
        window->List()->SelectRow(row, true);
        window->ViewFile();
    }
    EXPECT_EQ(prompter->Beeps().size(), 1) << "an empty file is viewable";
    EXPECT_EQ(opened,
              (QList<std::pair<QString, bool>>{{P("empty.log"), true}, {P("full.log"), true}}));
}

TEST_F(FindResultsTest, DeletedRowsGoWhateverTheAnswerAndTheLastOneClosesTheWindow) {
    ASSERT_TRUE(dir.MakeFile("keep.log", "1"));
    ASSERT_TRUE(dir.MakeFile("drop.log", "2"));
    Open(QStringLiteral("*.log"));
    window->OnCommand(ID_SORT_NAME);
    ASSERT_EQ(RowPaths(), QStringList({P("drop.log"), P("keep.log")}));

    prompter->AnswerMessage(PromptAnswer::Yes);
    window->List()->SelectRow(0, true);
    window->DeleteSelected(true);
    EXPECT_FALSE(dir.Exists("drop.log"));
    EXPECT_EQ(RowPaths(), QStringList({P("keep.log")}));
    EXPECT_EQ(window->StatusText(), FindResultsTexts::kFound.arg(1));

    // Declined: the file stays, the row goes, and the window closes itself.
    prompter->AnswerMessage(PromptAnswer::No);
    window->List()->SelectAll();
    window->DeleteSelected(true);
    EXPECT_TRUE(dir.Exists("keep.log"));
    EXPECT_EQ(window->Count(), 0);
    EXPECT_EQ(window->StatusText(), FindResultsTexts::kQuitting);
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    EXPECT_TRUE(WaitFor([this] { return window.isNull(); }, 10000));
}

TEST_F(FindResultsTest, TheBatchScriptGivesEachResultItsOwnFolder) {
    ASSERT_TRUE(dir.MakeFile("a/one.log"));
    ASSERT_TRUE(dir.MakeFile("b c/two.log"));
    Open(QStringLiteral("*.log"));
    window->OnCommand(ID_SORT_FOLDER);
    window->List()->SelectAll();
    QString script;
    dialogAnswer = [&](QDialog& dialog) {
        if (auto* templ = dynamic_cast<BatchTemplateDialog*>(&dialog)) {
            templ->SetTemplate(QStringLiteral("ls $P/$N"));
            return templ->Validate();
        }
        if (auto* review = dynamic_cast<BatchScriptDialog*>(&dialog))
            script = review->Script();
        return false;
    };
    window->BatchFile();
    EXPECT_EQ(script, kBatchScriptHeader + QStringLiteral("ls ") + P("a") +
                          QStringLiteral("/one.log\nls '") + P("b c") +
                          QStringLiteral("'/two.log\n"));
}

TEST_F(FindResultsTest, ThePrintedListNamesEachRowsFolderAndTheTotal) {
    MutableGeneral().dirPrintFormat = QStringLiteral("%s|%s|%s\n");
    MutableGeneral().plainBytesFormat = true;
    ASSERT_TRUE(dir.MakeFile("sub/a.log", "12345"));
    ASSERT_TRUE(dir.MakeFile("b.log", "123"));
    Open(QStringLiteral("*.log"));
    window->OnCommand(ID_SORT_NAME);
    const QString text = window->ListingText();
    const QStringList lines = text.split(u'\n');
    ASSERT_EQ(lines.size(), 6) << text.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("NAME|SIZE|MODIFIED"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("a.log|"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("  [") + P("sub") + QStringLiteral("]")));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("  [") + dir.Path() + QStringLiteral("]")));
    EXPECT_EQ(lines[3], QStringLiteral("---------------"));
    EXPECT_EQ(lines[4], QStringLiteral("2 item(s); %1 bytes in total").arg(FormatSize(8)));

    window->PrintList();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.front(), std::make_pair(services.listingPath(), false));
    QFile written(services.listingPath());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(written.readAll()), text);
}

TEST_F(FindResultsTest, AnEmptyPrintedListHasItsHeaderAndAFooterOfNoItems) {
    MutableGeneral().plainBytesFormat = false;
    ASSERT_TRUE(dir.MakeFile("a.txt"));
    Open(QStringLiteral("*.none"));
    const QStringList lines = window->ListingText().split(u'\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("NAME")));
    EXPECT_EQ(lines[2], QStringLiteral("0 item(s); %1 in total").arg(FormatSize(0)));
}
