#include <QAbstractItemView>
#include <QLineEdit>
#include <QTest>
#include <algorithm>

#include "ActivationTestSupport.h"
#include "shell/CommandIds.h"
#include "shell/ShellFixture.h"

namespace {

const QString kNoPropertySheet = QStringLiteral("No property sheet for this selection");

class ContextMenuTest : public FakeShellTest {
protected:
    ContextMenuTest() {
        FakeNode& docs = Root().AddFolder("Docs", kFsFolder);
        docs.AddFile("a.txt", 1, 0, kFsFile);
        docs.AddFile("b.txt", 2, 0, kFsFile);
        docs.AddFolder("Sub", kFsFolder);
        docs.SetItemMenu(
            {"open", "cut", "copy", "-", "delete", "rename", "paste", "properties", "frobnicate"});
        pane = std::make_unique<RecordingPane>(host);
        AttachPanes(host, *pane);
        EXPECT_TRUE(pane->OpenFolder(shell->AbsoluteId("Docs")));
    }
    ~ContextMenuTest() override {
        // Queued commands must not reach a pane that is gone.
        QCoreApplication::removePostedEvents(nullptr, QEvent::MetaCall);
    }

    FakeNode& Docs() { return *Root().Child("Docs"); }
    FakeMenuLog& Log() { return shell->MenuLog(); }
    void Select(const QStringList& names) {
        pane->List()->ClearSelection();
        for (const QString& name : names)
            pane->List()->SetFocusedRow(pane->List()->RowOf(pane->Model()->FindByName(name)), true);
    }
    // Opens the context menu (from the mouse) and picks the entry `text`;
    // then lets posted commands run.
    void Choose(const QString& text) {
        MenuPicker picker([&](QMenu& menu) { return MenuPicker::ByText(menu, text); });
        pane->ShowContextMenu(QPoint(10, 10));
        ASSERT_EQ(picker.shown, 1);
        QCoreApplication::processEvents();
    }
    bool Posted(int id) const {
        return std::find(pane->commands.begin(), pane->commands.end(), id) != pane->commands.end();
    }

    ActivationHost host;
    RecordingTransferHooks transfer;
    std::unique_ptr<RecordingPane> pane;
};

// Cut, Copy, Delete and Rename of the folder's menu run the program's own
// commands; other entries are carried out by the folder's menu.
TEST_F(ContextMenuTest, PaneVerbsRunTheProgramsCommandsOthersTheShells) {
    Select({"a.txt"});
    const std::vector<std::pair<QString, int>> verbs = {
        {"&cut", ID_EDIT_CUT}, {"&copy", ID_EDIT_COPY}, {"&delete", ID_FILE_DELETE}};
    for (const auto& [text, command] : verbs) {
        pane->commands.clear();
        Choose(text);
        EXPECT_TRUE(Posted(command)) << text.toStdString();
        EXPECT_TRUE(Log().invocations.empty()) << text.toStdString() << " must not reach the shell";
    }

    pane->commands.clear();
    Choose("&rename");
    EXPECT_TRUE(Posted(ID_FILE_RENAME));
    EXPECT_TRUE(pane->List()->IsEditingLabel()) << "rename in place began";
    EXPECT_TRUE(Log().invocations.empty());
    if (QLineEdit* editor = pane->List()->ActiveView()->viewport()->findChild<QLineEdit*>())
        QTest::keyClick(editor, Qt::Key_Escape);
    ASSERT_TRUE(WaitFor([&] { return !pane->List()->IsEditingLabel(); }));

    Select({"b.txt"});
    pane->commands.clear();
    Choose("&frobnicate");
    ASSERT_EQ(Log().invocations.size(), 1u);
    EXPECT_EQ(Log().invocations[0].verb, QStringLiteral("frobnicate"));
    EXPECT_EQ(Log().invocations[0].items, QStringList({"b.txt"}));
    EXPECT_FALSE(Log().invocations[0].byVerb);
    EXPECT_TRUE(pane->commands.empty());
}

// CMF_CANRENAME is asked only for one row of a file-system folder, so the
// menu offers Rename only then.
TEST_F(ContextMenuTest, RenameIsOfferedForOneRowOnly) {
    MenuPicker picker([](QMenu&) { return nullptr; });
    Select({"a.txt"});
    pane->ShowContextMenu(QPoint(10, 10));
    ASSERT_FALSE(Log().queries.empty());
    EXPECT_EQ(Log().queries.back().flags, std::uint32_t(CMF_EXPLORE | CMF_CANRENAME));
    EXPECT_TRUE(picker.texts.contains("&rename"));

    Select({"a.txt", "b.txt"});
    pane->ShowContextMenu(QPoint(10, 10));
    EXPECT_EQ(Log().queries.back().flags, std::uint32_t(CMF_EXPLORE));
    EXPECT_EQ(Log().queries.back().items, QStringList({"a.txt", "b.txt"}));
    EXPECT_FALSE(picker.texts.contains("&rename"));
    EXPECT_TRUE(Log().invocations.empty()) << "closing the menu runs nothing";
}

// Paste on one selected folder pastes into it through the transfer hooks;
// when they do not, or there are none, the menu's own paste runs.
TEST_F(ContextMenuTest, PasteOnOneFolderPastesIntoIt) {
    Select({"Sub"});
    Choose("&paste");
    ASSERT_EQ(transfer.pastes.size(), 1u);
    EXPECT_EQ(transfer.pastes[0], shell->AbsoluteId("Docs/Sub"));
    EXPECT_TRUE(Log().invocations.empty());

    transfer.pasteHandled = false;
    Choose("&paste");
    ASSERT_EQ(Log().invocations.size(), 1u);
    EXPECT_EQ(Log().invocations[0].verb, QStringLiteral("paste"));

    // On a file the folder's menu does the paste.
    Select({"a.txt"});
    transfer.pastes.clear();
    Choose("&paste");
    EXPECT_TRUE(transfer.pastes.empty());
    EXPECT_EQ(Log().invocations.size(), 2u);

    // Without transfer hooks the folder's menu pastes into the folder item.
    Select({"Sub"});
    PaneTransferHooks* installed = SetPaneTransferHooks(nullptr);
    Choose("&paste");
    SetPaneTransferHooks(installed);
    EXPECT_TRUE(transfer.pastes.empty());
    ASSERT_EQ(Log().invocations.size(), 3u);
    EXPECT_EQ(Log().invocations[2].verb, QStringLiteral("paste"));
}

// Without a selection, or when the folder has no menu for it, the pane's
// background menu is shown with the folder's background entries after it;
// its own entries are posted to the pane.
TEST_F(ContextMenuTest, BackgroundMenuCarriesOwnCommandsAndTheFoldersEntries) {
    Docs().SetBackgroundMenu({"shellnew"});
    pane->List()->ClearSelection();
    {
        MenuPicker picker([](QMenu&) { return nullptr; });
        pane->ShowContextMenu(QPoint(10, 10));
        EXPECT_EQ(host.menuNames, std::vector<QString>({"paneLR"}));
        EXPECT_EQ(picker.texts, QStringList({"command 32805", "command 32771", "", "&shellnew"}));
    }
    Choose("command 32805");
    EXPECT_TRUE(Posted(ID_NEW_FOLDER));
    EXPECT_EQ(host.executed, std::vector<int>({ID_NEW_FOLDER})) << "the pane passed it on";

    Choose("&shellnew");
    ASSERT_EQ(Log().invocations.size(), 1u);
    EXPECT_EQ(Log().invocations[0].verb, QStringLiteral("shellnew"));
    EXPECT_TRUE(Log().invocations[0].items.isEmpty());

    // Selected rows in a folder that has no menu for them.
    Docs().SetItemMenu({});
    Select({"a.txt"});
    MenuPicker picker([](QMenu&) { return nullptr; });
    pane->ShowContextMenu(QPoint(10, 10));
    EXPECT_EQ(picker.texts.front(), QStringLiteral("command 32805"));
}

// From the keyboard, one selected row puts the menu 30 pixels right of and
// 5 below the row's corner; the mouse's menu opens where it was asked.
TEST_F(ContextMenuTest, KeyboardMenuOpensBesideTheRow) {
    pane->resize(400, 300);
    pane->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pane.get()));
    Select({"b.txt"});
    MenuPicker picker([](QMenu&) { return nullptr; });
    QAbstractItemView* view = pane->List()->ActiveView();
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Menu);
    ASSERT_EQ(picker.shown, 1);
    const int row = pane->List()->RowOf(pane->Model()->FindByName("b.txt"));
    const QRect rect = view->visualRect(pane->List()->Model()->index(row, 0));
    EXPECT_EQ(picker.position, view->viewport()->mapToGlobal(rect.topLeft()) + QPoint(30, 5));

    pane->ShowContextMenu(QPoint(123, 45));
    EXPECT_EQ(picker.position, QPoint(123, 45));
}

// Properties invokes the verb on the selection; with nothing selected, or
// when the verb fails, the user is told there is no property sheet.
TEST_F(ContextMenuTest, PropertiesInvokesTheVerbOrSaysThereIsNone) {
    NoticeRecorder notices;
    Select({"a.txt", "b.txt"});
    ASSERT_TRUE(pane->RunPaneCommand(ID_FILE_PROPERTIES));
    ASSERT_EQ(Log().invocations.size(), 1u);
    EXPECT_EQ(Log().invocations[0].verb, QStringLiteral("properties"));
    EXPECT_TRUE(Log().invocations[0].byVerb);
    EXPECT_EQ(Log().invocations[0].items, QStringList({"a.txt", "b.txt"}));
    EXPECT_FALSE(notices.Has(kNoPropertySheet, true));

    Log().failInvoke = true;
    pane->OnCommand(ID_FILE_PROPERTIES);
    EXPECT_TRUE(notices.Has(kNoPropertySheet, true));

    notices.entries.clear();
    Log().failInvoke = false;
    pane->List()->ClearSelection();
    CommandState state;
    ASSERT_TRUE(pane->OnUpdateCommand(ID_FILE_PROPERTIES, state));
    EXPECT_FALSE(state.enabled);
    pane->OnCommand(ID_FILE_PROPERTIES);
    EXPECT_TRUE(notices.Has(kNoPropertySheet, true));
    EXPECT_EQ(Log().invocations.size(), 1u);
}

}  // namespace
