#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QTest>

#include "ActivationTestSupport.h"
#include "shell/CommandIds.h"
#include "shell/ShellFixture.h"
#include "support/TestDir.h"

namespace {

const QString kRenaming = QStringLiteral("Renaming...");
const QString kRenameFailed = QStringLiteral("For one reason or other, the item can't be renamed");
const QString kNoVirtualRename = QStringLiteral("Rename is not supported for virtual folders");

// The label editor open in the pane's list, or nullptr.
// A closed editor lingers, hidden, until the event loop deletes it.
QLineEdit* Editor(CPanexView& pane) {
    QAbstractItemView* view = pane.List()->ActiveView();
    const QList<QLineEdit*> edits = view->viewport()->findChildren<QLineEdit*>();
    for (QLineEdit* edit : edits) {
        if (edit->isVisible() || edit->hasFocus())
            return edit;
    }
    for (QLineEdit* edit : edits) {
        if (!edit->isHidden() && edit->parentWidget() == view->viewport())
            return edit;
    }
    return nullptr;
}

class RenameTest : public OnePaneTest<RecordingPane, ActivationHost> {
protected:
    void SetUp() override {
        OnePaneTest::SetUp();
        pane->resize(500, 400);
        pane->show();
    }

    bool Open(const QByteArray& path) {
        return pane->OpenFolder(ParsePath(NameFromBytes(path))) &&
               QTest::qWaitForWindowExposed(pane.get());
    }
    void SelectOnly(const QString& name) {
        pane->List()->ClearSelection();
        pane->List()->SetFocusedRow(RowOf(name), true);
    }
    // Types `text` into the open editor and presses Return; waits until the
    // editor has closed.
    bool TypeAndSubmit(const QString& text) {
        QLineEdit* editor = Editor(*pane);
        if (!editor)
            return false;
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        return WaitFor([&] { return !pane->List()->IsEditingLabel(); });
    }
};

// A rename through the label editor renames on disk, trims the blanks,
// keeps the row selected with its mark, and brackets the edit with the
// frame's label-edit state and a paused watch.
TEST_F(RenameTest, RenamesOnDiskAndKeepsTheSelectionMark) {
    ASSERT_TRUE(dir.MakeFile("old.txt", "contents"));
    ASSERT_TRUE(dir.MakeFile("other", "x"));
    NoticeRecorder notices;
    ASSERT_TRUE(Open(dir.PathBytes()));
    const bool watching = pane->Model()->IsWatching();
    SelectOnly("old.txt");

    CommandState state;
    ASSERT_TRUE(pane->OnUpdateCommand(ID_FILE_RENAME, state));
    EXPECT_TRUE(state.enabled);
    ASSERT_TRUE(pane->RunPaneCommand(ID_FILE_RENAME));
    ASSERT_TRUE(pane->List()->IsEditingLabel());
    ASSERT_NE(Editor(*pane), nullptr);
    EXPECT_EQ(Editor(*pane)->text(), QStringLiteral("old.txt"));
    EXPECT_EQ(host.labelEditStates, std::vector<bool>({true}));
    if (watching) {
        EXPECT_FALSE(pane->Model()->IsWatchEnabled()) << "no refresh while the label is edited";
    }

    ASSERT_TRUE(TypeAndSubmit(QStringLiteral("  new name.txt \t")));
    EXPECT_FALSE(dir.Exists("old.txt"));
    EXPECT_EQ(dir.Read("new name.txt"), QByteArray("contents"));
    EXPECT_TRUE(notices.Has(kRenaming, false));
    const int row = RowOf("new name.txt");
    ASSERT_GE(row, 0);
    EXPECT_EQ(pane->List()->ItemAt(row)->displayName, QStringLiteral("new name.txt"));
    EXPECT_TRUE(pane->List()->IsRowSelected(row));
    EXPECT_NE(pane->List()->ItemAt(row)->selectedMark, 0u);
    EXPECT_EQ(pane->Model()->FindByName("old.txt"), nullptr);
    EXPECT_EQ(host.labelEditStates, std::vector<bool>({true, false}));
    if (watching) {
        EXPECT_TRUE(pane->Model()->IsWatchEnabled());
    }
}

// Blanks or the same text change nothing; neither does a cancelled edit.
TEST_F(RenameTest, SameTextBlanksAndCancelChangeNothing) {
    ASSERT_TRUE(dir.MakeFile("keep.txt", "k"));
    NoticeRecorder notices;
    ASSERT_TRUE(Open(dir.PathBytes()));
    SelectOnly("keep.txt");
    FolderItem* item = pane->Model()->FindByName("keep.txt");

    for (const QString& text : {QStringLiteral(""), QStringLiteral("   \t "),
                                QStringLiteral("keep.txt"), QStringLiteral("  keep.txt  ")}) {
        ASSERT_TRUE(pane->BeginRename());
        ASSERT_TRUE(TypeAndSubmit(text)) << text.toStdString();
        EXPECT_EQ(pane->Model()->FindByName("keep.txt"), item) << "the very item stays";
    }
    EXPECT_TRUE(dir.Exists("keep.txt"));
    EXPECT_EQ(pane->Model()->ItemCount(), 1);
    EXPECT_FALSE(notices.Has(kRenaming, false));

    ASSERT_TRUE(pane->BeginRename());
    Editor(*pane)->setText(QStringLiteral("changed"));
    QTest::keyClick(Editor(*pane), Qt::Key_Escape);
    ASSERT_TRUE(WaitFor([&] { return !pane->List()->IsEditingLabel(); }));
    EXPECT_TRUE(dir.Exists("keep.txt"));
    EXPECT_FALSE(dir.Exists("changed"));
    EXPECT_EQ(host.labelEditStates.size(), 10u) << "every edit enters and leaves the state";
    EXPECT_FALSE(host.labelEditStates.back());
}

// A rename the folder refuses (the name is taken) leaves both files as they
// were and opens the editor again.
TEST_F(RenameTest, FailedRenameKeepsBothFilesAndReopensTheEditor) {
    ASSERT_TRUE(dir.MakeFile("a.txt", "first"));
    ASSERT_TRUE(dir.MakeFile("b.txt", "second"));
    NoticeRecorder notices;
    ASSERT_TRUE(Open(dir.PathBytes()));
    SelectOnly("a.txt");
    FolderItem* item = pane->Model()->FindByName("a.txt");

    ASSERT_TRUE(pane->BeginRename());
    ASSERT_TRUE(TypeAndSubmit(QStringLiteral("b.txt")));
    EXPECT_TRUE(notices.Has(kRenameFailed, true));
    EXPECT_EQ(dir.Read("a.txt"), QByteArray("first"));
    EXPECT_EQ(dir.Read("b.txt"), QByteArray("second"));
    EXPECT_EQ(pane->Model()->FindByName("a.txt"), item);
    ASSERT_TRUE(WaitFor([&] { return pane->List()->IsEditingLabel(); })) << "editing resumes";
    EXPECT_EQ(pane->List()->FocusedRow(), RowOf("a.txt"));

    ASSERT_TRUE(TypeAndSubmit(QStringLiteral("c.txt")));
    EXPECT_EQ(dir.Read("c.txt"), QByteArray("first"));
    EXPECT_FALSE(host.labelEditStates.back());
}

// The Return that ends the edit does that and nothing else: the folder is
// not entered, no file is opened, the row keeps the focus under its new
// name, and the editor is gone when the key returns, so the next key goes
// to the list. In both the list and the details view.
TEST_F(RenameTest, ReturnOnlyEndsTheEditAndTheNextKeyReachesTheList) {
    ASSERT_TRUE(dir.MakeFolder("folder"));
    ASSERT_TRUE(dir.MakeFile("file.txt", "f"));
    ASSERT_TRUE(dir.MakeFile("zzz.txt", "z"));
    ASSERT_TRUE(Open(dir.PathBytes()));
    const QString folderPath = pane->Model()->path;
    LaunchRecorder launches;

    struct Case {
        int viewStyle;
        QString from;
        QString to;
    };
    for (const Case& c :
         {Case{ID_VIEW_LIST, "folder", "renamed folder with a longer name"},
          Case{ID_VIEW_LIST, "file.txt", "renamed.txt"},
          Case{ID_VIEW_DETAILS, "renamed folder with a longer name", "folder again"},
          Case{ID_VIEW_DETAILS, "renamed.txt", "file again.txt"}}) {
        SCOPED_TRACE(c.to.toStdString());
        pane->List()->SetViewStyle(c.viewStyle);
        SelectOnly(c.from);
        pane->List()->ActiveView()->setFocus();
        ASSERT_TRUE(pane->BeginRename());
        QLineEdit* editor = Editor(*pane);
        ASSERT_NE(editor, nullptr);
        editor->setText(c.to);
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_FALSE(pane->List()->IsEditingLabel()) << "closed by the key itself";
        EXPECT_TRUE(dir.Exists(c.to.toUtf8()));
        EXPECT_FALSE(dir.Exists(c.from.toUtf8()));
        EXPECT_EQ(pane->Model()->path, folderPath) << "the pane did not enter the folder";
        EXPECT_EQ(pane->List()->FocusedRow(), RowOf(c.to));
        EXPECT_FALSE(host.labelEditStates.back());
        QCoreApplication::processEvents();
        EXPECT_EQ(pane->Model()->path, folderPath);
        EXPECT_EQ(launches.Count(), 0u) << "nothing was opened";
        if (c.viewStyle == ID_VIEW_LIST) {
            // The List column widens to the new label rather than cut it.
            const QListView* list = pane->List()->ListView();
            EXPECT_GT(list->gridSize().width(), list->fontMetrics().horizontalAdvance(c.to));
        }

        // The very next key moves the list's cursor.
        const int before = pane->List()->FocusedRow();
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        EXPECT_FALSE(qobject_cast<QLineEdit*>(focus));
        QTest::keyClick(focus, before == 0 ? Qt::Key_Down : Qt::Key_Up);
        EXPECT_NE(pane->List()->FocusedRow(), before);
    }
}

class VirtualRenameTest : public FakeShellTest {};

// Items of a virtual folder can't be renamed in place: the command is
// disabled there, and a request is refused with its notice.
TEST_F(VirtualRenameTest, VirtualFolderRefusesWithItsNotice) {
    Root().AddFolder("Settings").AddFile("Display");
    ActivationHost host;
    RecordingPane pane(host);
    AttachPanes(host, pane);
    ASSERT_TRUE(pane.OpenFolder(shell->AbsoluteId("Settings")));
    ASSERT_FALSE(pane.Model()->IsFileSystem());
    pane.List()->SetFocusedRow(0, true);
    NoticeRecorder notices;

    CommandState state;
    ASSERT_TRUE(pane.OnUpdateCommand(ID_FILE_RENAME, state));
    EXPECT_FALSE(state.enabled);
    EXPECT_FALSE(pane.BeginRename());
    EXPECT_TRUE(notices.Has(kNoVirtualRename, true));
    EXPECT_FALSE(pane.List()->IsEditingLabel());
    EXPECT_TRUE(host.labelEditStates.empty());
    EXPECT_NE(Root().Find("Settings/Display"), nullptr);
}

}  // namespace
