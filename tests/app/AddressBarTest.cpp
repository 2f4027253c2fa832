// The address bar on the running frame: typed folders ("~", "$HOME",
// "%HOME%", files, nonsense), the folder history, its keys, drops, the
// command line's commands (run, repeat, history), the filter texts and what
// closing writes.
#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

#include "FrameFixture.h"
#include "app/AddressBar.h"
#include "app/HistoryPickDialog.h"
#include "shell/PatternList.h"
#include "support/Wait.h"

namespace {

class AddressBarTest : public FrameFixture {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        ASSERT_NE(Start(), nullptr);
        bar = frame->GetAddressBar();
        ASSERT_NE(bar, nullptr);
        combo = bar->Combo();
        edit = combo->lineEdit();
    }

    /// Types `text` into the box and presses Return, as a user would.
    void Submit(const QString& text) {
        edit->setFocus();
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    /// The box has the focus (the combo holds it for its edit field).
    bool BoxHasFocus() const {
        QWidget* focus = QApplication::focusWidget();
        return focus == combo || focus == edit;
    }

    AddressBar* bar = nullptr;
    AddressCombo* combo = nullptr;
    QLineEdit* edit = nullptr;
};

TEST_F(AddressBarTest, TheBoxFollowsTheActivePaneAndKeepsEachVisitedFolderOnceAtTheTop) {
    EXPECT_EQ(frame->toolBarArea(bar), Qt::TopToolBarArea);
    EXPECT_EQ(edit->text(), leftPath + QStringLiteral("/*"));
    EXPECT_EQ(combo->Entries().value(0), leftPath);

    frame->ActivatePane(frame->GetRightPane());
    EXPECT_EQ(edit->text(), rightPath + QStringLiteral("/*"));
    frame->ActivatePane(frame->GetLeftPane());
    ASSERT_TRUE(frame->GetLeftPane()->GoToText(leftPath + QStringLiteral("/sub")));
    ASSERT_TRUE(frame->GetLeftPane()->GoToText(leftPath));
    const QStringList entries = combo->Entries();
    EXPECT_EQ(entries.value(0), leftPath);
    EXPECT_EQ(entries.count(leftPath), 1);
    EXPECT_EQ(entries.count(leftPath + QStringLiteral("/sub")), 1);

    // Choosing an entry of the drop-down list opens it, once the list closed.
    const int sub = int(entries.indexOf(leftPath + QStringLiteral("/sub")));
    combo->setCurrentIndex(sub);
    Q_EMIT combo->activated(sub);
    WaitFor([&] { return FolderOf(frame->GetLeftPane()) == leftPath + QStringLiteral("/sub"); },
            5000);
    EXPECT_EQ(FolderOf(frame->GetLeftPane()), leftPath + QStringLiteral("/sub"));
    ASSERT_TRUE(frame->GetLeftPane()->GoToText(leftPath));

    // A filter shows in the box with the folder.
    ASSERT_TRUE(frame->GetLeftPane()->SetFilter(QStringLiteral("*.txt")));
    frame->GetLeftPane()->ReapplyFilter();
    EXPECT_EQ(edit->text(), leftPath + QStringLiteral("/*.txt"));
}

TEST_F(AddressBarTest, TypedFoldersWithTheHomeAndVariablesOpenInTheActivePane) {
    const QString home = QDir::homePath();  // a temporary folder in the tests
    ASSERT_TRUE(QDir().mkpath(home + QStringLiteral("/x/y")));
    CPanexView* left = frame->GetLeftPane();

    Submit(QStringLiteral("~"));
    EXPECT_EQ(FolderOf(left), home);
    Submit(QStringLiteral("  $HOME/x  "));
    EXPECT_EQ(FolderOf(left), home + QStringLiteral("/x"));
    Submit(QStringLiteral("${HOME}/x/y"));
    EXPECT_EQ(FolderOf(left), home + QStringLiteral("/x/y"));
    Submit(QStringLiteral("%HOME%/x"));
    EXPECT_EQ(FolderOf(left), home + QStringLiteral("/x"));
    // Success gives the focus to the pane.
    EXPECT_TRUE(left->isAncestorOf(QApplication::focusWidget()));
    EXPECT_EQ(ExpandPathVariables(QStringLiteral("50%HOME")), QStringLiteral("50%HOME"));
    EXPECT_EQ(ExpandPathVariables(QStringLiteral("$NO_SUCH_VAR_CV17/a")),
              QStringLiteral("$NO_SUCH_VAR_CV17/a"));
    EXPECT_TRUE(IsVariablePath(QStringLiteral("$HOME/x")));
    EXPECT_FALSE(IsVariablePath(QStringLiteral("$ ls")));
    EXPECT_FALSE(IsVariablePath(QStringLiteral("$HOME-x")));
}

TEST_F(AddressBarTest, AFilePathOpensItsFolderWithTheFileFocused) {
    Submit(rightPath + QStringLiteral("/b1.txt"));
    EXPECT_EQ(FolderOf(frame->GetLeftPane()), rightPath);
    EXPECT_EQ(FocusedName(frame->GetLeftPane()), QStringLiteral("b1.txt"));
}

TEST_F(AddressBarTest, ANonexistentPathStaysTypedAndSelectedWithTheReason) {
    const QString typed = leftPath + QStringLiteral("/no/such/folder");
    Submit(typed);
    EXPECT_EQ(FolderOf(frame->GetLeftPane()), leftPath);
    EXPECT_EQ(edit->text(), typed);
    EXPECT_EQ(edit->selectedText(), typed);
    ASSERT_FALSE(notices.isEmpty());
    EXPECT_TRUE(notices.back().alert) << notices.back().text.toStdString();
}

TEST_F(AddressBarTest, AnEmptySubmitOnlyMovesTheFocusToThePane) {
    Submit(QStringLiteral("   "));
    EXPECT_EQ(FolderOf(frame->GetLeftPane()), leftPath);
    EXPECT_TRUE(frame->GetLeftPane()->isAncestorOf(QApplication::focusWidget()));
    EXPECT_TRUE(notices.isEmpty());
}

TEST_F(AddressBarTest, KeysOfTheEditWorkTheActivePane) {
    CPanexView* left = frame->GetLeftPane();
    left->List()->SetFocusedRow(0, false);
    const QString first = FocusedName(left);
    edit->setFocus();
    edit->setText(QStringLiteral("x"));
    // Ctrl+Down moves the pane's cursor, the edit keeps the focus and text.
    QTest::keyClick(edit, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_NE(FocusedName(left), first);
    EXPECT_EQ(edit->text(), QStringLiteral("x"));
    EXPECT_TRUE(BoxHasFocus());
    // Ctrl+Return inserts the focused name at the caret.
    const QString name = FocusedName(left);
    edit->setText(QStringLiteral(">cat "));
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), QStringLiteral(">cat ") + name);
    edit->undo();
    EXPECT_EQ(edit->text(), QStringLiteral(">cat "));
    // Escape and Tab go back to the pane without touching the text.
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_TRUE(left->isAncestorOf(QApplication::focusWidget()));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_TRUE(left->isAncestorOf(QApplication::focusWidget()));
    EXPECT_EQ(edit->text(), QStringLiteral(">cat "));
    // Shift+Tab in the pane comes back to the box.
    QTest::keyClick(left->List()->ActiveView(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(BoxHasFocus());
}

// Tab on a typed path completes it: a lone match whole (a folder with its
// "/"), several as far as they agree, offered in a popup with the folders
// first. Tab on anything else still goes to the pane.
TEST_F(AddressBarTest, TabCompletesATypedPathFoldersFirst) {
    ASSERT_TRUE(dir.MakeFolder("left/abc"));
    ASSERT_TRUE(dir.MakeFolder("left/.hidden"));
    CPanexView* left = frame->GetLeftPane();
    edit->setFocus();
    edit->setText(leftPath + QStringLiteral("/s"));
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_EQ(edit->text(), leftPath + QStringLiteral("/sub/"));
    EXPECT_TRUE(BoxHasFocus());

    edit->setText(leftPath + QStringLiteral("/a"));
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_EQ(edit->text(), leftPath + QStringLiteral("/a")) << "they agree on no more";
    QCompleter* completer = combo->PathCompleter();
    ASSERT_NE(completer, nullptr);
    QStringList offered;
    for (int row = 0; row < completer->completionCount(); ++row) {
        completer->setCurrentRow(row);
        offered.append(completer->currentCompletion());
    }
    EXPECT_EQ(offered,
              (QStringList{leftPath + QStringLiteral("/abc/"), leftPath + QStringLiteral("/a1.txt"),
                           leftPath + QStringLiteral("/a2.txt")}));
    completer->popup()->hide();

    // Hidden entries only for a part that starts with ".".
    edit->setText(leftPath + QStringLiteral("/.h"));
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_EQ(edit->text(), leftPath + QStringLiteral("/.hidden/"));

    // No match, and no path: Tab goes to the pane, the text stays.
    edit->setText(leftPath + QStringLiteral("/zz"));
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_TRUE(left->isAncestorOf(QApplication::focusWidget()));
    EXPECT_EQ(edit->text(), leftPath + QStringLiteral("/zz"));
}

TEST_F(AddressBarTest, AcceleratorsOfTheWindowAreOffWhileTheBoxHasTheFocus) {
    int picks = 0;
    HistoryPickDialog::SetRunner([&](HistoryPickDialog& dialog) {
        ++picks;
        dialog.reject();
        return int(dialog.result());
    });
    edit->setFocus();
    edit->setText(QStringLiteral("abc"));
    edit->selectAll();
    // Ctrl+F10 and Ctrl+H would open history dialogs, Ctrl+A select all.
    QTest::keyClick(edit, Qt::Key_F10, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_H, Qt::ControlModifier);
    EXPECT_EQ(picks, 0);
    EXPECT_TRUE(BoxHasFocus());
    // Outside the box they work.
    frame->GetLeftPane()->List()->ActiveView()->setFocus();
    QTest::keyClick(frame->GetLeftPane()->List()->ActiveView(), Qt::Key_F10, Qt::ControlModifier);
    HistoryPickDialog::SetRunner(nullptr);
    EXPECT_EQ(picks, 1);
}

TEST_F(AddressBarTest, AFileDroppedOnTheBoxOpensItsFolderAndFocusesIt) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(rightPath + QStringLiteral("/b1.txt")),
                  QUrl::fromLocalFile(leftPath)});
    // A drop goes where the drag entered.
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit, &drop);
    EXPECT_EQ(FolderOf(frame->GetLeftPane()), rightPath);
    EXPECT_EQ(FocusedName(frame->GetLeftPane()), QStringLiteral("b1.txt"));
}

TEST_F(AddressBarTest, CommandsRunInTheActiveFolderAndRepeatFromTheHistory) {
    // Repeat with nothing to repeat: a plain notice.
    ASSERT_TRUE(frame->Commands().Execute(ID_REPEAT_COMMAND));
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0].text, kHistoryEmpty);
    EXPECT_FALSE(notices[0].alert);

    ASSERT_TRUE(frame->Commands().Execute(ID_RUN_COMMAND));
    EXPECT_EQ(edit->text(), QStringLiteral("> "));
    EXPECT_EQ(edit->cursorPosition(), 2);
    EXPECT_TRUE(BoxHasFocus());
    EXPECT_TRUE(HasNotice(kRunCommandNotice, false));

    QTest::keyClicks(edit, QStringLiteral("touch made-by-runner"));
    QTest::keyClick(edit, Qt::Key_Return);
    const QString made = leftPath + QStringLiteral("/made-by-runner");
    ASSERT_TRUE(WaitForFile(made));
    EXPECT_EQ(bar->Runner().History().First(), QStringLiteral("> touch made-by-runner"));
    EXPECT_TRUE(frame->GetLeftPane()->isAncestorOf(QApplication::focusWidget()));
    // The box shows the folder again, not the command.
    EXPECT_EQ(edit->text(), leftPath + QStringLiteral("/*"));

    ASSERT_TRUE(QFile::remove(made));
    ASSERT_TRUE(frame->Commands().Execute(ID_REPEAT_COMMAND));
    EXPECT_TRUE(WaitForFile(made));

    // From the other pane the same command runs in the other folder.
    frame->ActivatePane(frame->GetRightPane());
    ASSERT_TRUE(frame->Commands().Execute(ID_REPEAT_COMMAND));
    EXPECT_TRUE(WaitForFile(rightPath + QStringLiteral("/made-by-runner")));

    // F10's text, and a failed command stays in the box, selected.
    ASSERT_TRUE(frame->Commands().Execute(ID_SHELL_COMMAND));
    EXPECT_EQ(edit->text(), QStringLiteral("$ "));
    Submit(QStringLiteral(">no-such-program-cv17 arg"));
    EXPECT_EQ(edit->selectedText(), QStringLiteral(">no-such-program-cv17 arg"));
    EXPECT_TRUE(HasNotice(kCannotExecute, true));
}

TEST_F(AddressBarTest, HistoryPicksPutTheirTextInTheBoxForReturn) {
    bar->Runner().History().Add(15, QStringLiteral(">true"));
    QString title;
    HistoryPickDialog::SetRunner([&](HistoryPickDialog& dialog) {
        title = dialog.windowTitle();
        dialog.Combo()->setEditText(QStringLiteral(">touch picked"));
        dialog.accept();
        return int(dialog.result());
    });
    ASSERT_TRUE(frame->Commands().Execute(ID_RUN_HISTORY));
    EXPECT_EQ(title, kCommandHistoryTitle);
    EXPECT_EQ(edit->text(), QStringLiteral(">touch picked"));
    EXPECT_TRUE(BoxHasFocus());
    EXPECT_FALSE(QFile::exists(leftPath + QStringLiteral("/picked")));  // not run yet

    // Ctrl+H: the filter lands in the box too; Return applies it.
    VisualFilterHistory().Add(15, QStringLiteral("*.md"));
    HistoryPickDialog::SetRunner([&](HistoryPickDialog& dialog) {
        title = dialog.windowTitle();
        dialog.Combo()->setEditText(QStringLiteral("a1*"));
        dialog.accept();
        return int(dialog.result());
    });
    ASSERT_TRUE(frame->Commands().Execute(ID_FILE_FILTER_HISTORY));
    HistoryPickDialog::SetRunner(nullptr);
    EXPECT_EQ(title, QStringLiteral("Visual filter history"));
    EXPECT_EQ(edit->text(), QStringLiteral("a1*"));
    EXPECT_EQ(frame->GetLeftPane()->FilterText(), QStringLiteral("*"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(frame->GetLeftPane()->FilterText(), QStringLiteral("a1*"));
    EXPECT_EQ(frame->GetLeftPane()->List()->RowCount(), 2);  // a1.txt and the folder

    // ID_FILE_FILTERS shows the bar, asks for a filter and gives the box the focus.
    bar->hide();
    frame->GetLeftPane()->setFocus();
    ASSERT_TRUE(frame->Commands().Execute(ID_FILE_FILTERS));
    EXPECT_FALSE(bar->isHidden());
    EXPECT_TRUE(HasNotice(kSpecifyFilterNotice, false));
    EXPECT_TRUE(BoxHasFocus());
}

TEST_F(AddressBarTest, TheToggleHidesAndShowsTheBar) {
    EXPECT_TRUE(frame->Commands().Update(ID_VIEW_ADDRESSBAR).checked);
    ASSERT_TRUE(frame->Commands().Execute(ID_VIEW_ADDRESSBAR));
    EXPECT_TRUE(bar->isHidden());
    EXPECT_FALSE(frame->Commands().Update(ID_VIEW_ADDRESSBAR).checked);
    // Shift+Tab finds no box to go to while the bar is hidden.
    EXPECT_FALSE(frame->FocusFrameBar(true));
    ASSERT_TRUE(frame->Commands().Execute(ID_VIEW_ADDRESSBAR));
    EXPECT_FALSE(bar->isHidden());
}

TEST_F(AddressBarTest, ClosingWritesTheFolderAndCommandHistoriesInTheirOrder) {
    ASSERT_TRUE(frame->GetLeftPane()->GoToText(leftPath + QStringLiteral("/sub")));
    bar->Runner().History().Add(15, QStringLiteral(">older"));
    bar->Runner().History().Add(15, QStringLiteral("$ newer"));
    const QStringList shown = combo->Entries();
    Stop();
    for (int i = 0; i < shown.size(); ++i)
        EXPECT_EQ(ReadStore(QStringLiteral("FolderCombo History"), QString::number(i)).toString(),
                  shown[i]);
    EXPECT_EQ(ReadStore(QStringLiteral("Command History"), QStringLiteral("0")).toString(),
              QStringLiteral("$ newer"));
    EXPECT_EQ(ReadStore(QStringLiteral("Command History"), QStringLiteral("1")).toString(),
              QStringLiteral(">older"));
}

class AddressBarStoreTest : public FrameFixture {};

TEST_F(AddressBarStoreTest, ComboSizesOutOfRangeLoadAsDefaultsAndAreWrittenBackAtOnce) {
    WriteStore(QStringLiteral("MainFrame Settings"), AddressBarKeys::kComboWidth, 49);
    WriteStore(QStringLiteral("MainFrame Settings"), AddressBarKeys::kComboHeight, 601);
    WriteStore(QStringLiteral("FolderCombo History"), QStringLiteral("0"), QStringLiteral("/tmp"));
    WriteStore(QStringLiteral("Command History"), QStringLiteral("0"), QStringLiteral(">true"));
    ASSERT_NE(Start(), nullptr);
    AddressBar* bar = frame->GetAddressBar();
    EXPECT_EQ(bar->ComboWidth(), 280);
    EXPECT_EQ(bar->ComboHeight(), 180);
    EXPECT_EQ(frame->Store().GetProfileInt(QStringLiteral("MainFrame Settings"),
                                           AddressBarKeys::kComboWidth, 0),
              280);
    EXPECT_TRUE(bar->Combo()->Entries().contains(QStringLiteral("/tmp")));
    EXPECT_EQ(bar->Runner().History().First(), QStringLiteral(">true"));
    // The preambles are in the store from the start.
    EXPECT_TRUE(frame->Store().HasEntry(QStringLiteral("MainFrame Settings"),
                                        CommandRunnerKeys::kDosPreamble));
}

}  // namespace
