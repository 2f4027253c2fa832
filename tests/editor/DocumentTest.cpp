// Loading, saving, the hex view and the rich-text view of the editor.

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include "EditorTestSupport.h"
#include "editor/EditorCommandIds.h"
#include "editor/EditorFile.h"
#include "editor/EditorTextControl.h"
#include "editor/HexView.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

CommandState StateOf(CEditorView& view, int id) {
    CommandState state;
    EXPECT_TRUE(view.OnUpdateCommand(id, state)) << id;
    return state;
}

}  // namespace

TEST(HexLineTest, SeventeenBytesMakeTwoLinesWithBlankColumnsAndDots) {
    QByteArray data("0123456789ABCDEF");
    data.append(char(0xE9));
    const QByteArray dump = FormatHexDump(data);
    const QList<QByteArray> lines = dump.split('\n');
    ASSERT_EQ(lines.size(), 3);  // two lines and the empty rest after the last line end
    EXPECT_EQ(lines[0], "30 31 32 33  34 35 36 37  38 39 41 42  43 44 45 46  0123456789ABCDEF");
    // One byte, fifteen blank byte columns, one character: 0xE9 is not ASCII.
    EXPECT_EQ(lines[1], "E9" + QByteArray(50, ' ') + ".");
    EXPECT_EQ(lines[1].indexOf('.'), kHexPartWidth);
    EXPECT_TRUE(lines[2].isEmpty());

    // Control characters are dots; 0x20 and 0x7F show as themselves.
    const unsigned char bytes[] = {0x00, 0x1F, 0x20, 0x7F, 0x80, 0xFF};
    EXPECT_EQ(FormatHexLine(bytes, 6).mid(kHexPartWidth), QByteArray(".. \x7F..", 6));
}

TEST_F(EditorTest, HexViewShowsTheFileAndItsOffsetAndAnEmptyFileChangesNothing) {
    QByteArray data;
    for (int i = 0; i < 40; ++i) data.append(char('a' + i % 26));
    auto view = Open(File("data.bin", data), true);
    EXPECT_TRUE(StateOf(*view, ID_EDITOR_HEX).enabled);
    EXPECT_FALSE(StateOf(*view, ID_EDITOR_HEX).checked);

    EXPECT_TRUE(view->OnCommand(ID_EDITOR_HEX));
    ASSERT_TRUE(view->IsHexMode());
    EXPECT_TRUE(StateOf(*view, ID_EDITOR_HEX).checked);
    EXPECT_EQ(view->Hex()->LineCount(), 3);
    EXPECT_EQ(view->Hex()->Line(2), "67 68 69 6A  6B 6C 6D 6E" + QByteArray(28, ' ') + "ghijklmn");
    EXPECT_EQ(view->PositionText(), "Off=0x000000");
    view->Hex()->SetCurrentLine(1);
    EXPECT_EQ(view->PositionText(), "Off=0x000010");

    // Back to the text, read again from the disk.
    view->OnCommand(ID_EDITOR_HEX);
    EXPECT_FALSE(view->IsHexMode());
    EXPECT_EQ(view->Bytes(), data);

    auto empty = Open(File("empty.txt", ""), true);
    empty->OnCommand(ID_EDITOR_HEX);
    EXPECT_FALSE(empty->IsHexMode());

    // Edit mode has no hex view.
    auto edit = Open(File("edit.txt", "abc"), false);
    EXPECT_FALSE(StateOf(*edit, ID_EDITOR_HEX).enabled);
}

TEST_F(EditorTest, AFileBeyondTheTextLimitOpensInHexToViewAndIsRefusedForEditing) {
    const QString path = File("huge.bin", "start");
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), kEditorTextLimit + 1), 0);
    auto view = std::make_unique<CEditorView>(true);
    ASSERT_TRUE(view->Load(path));
    EXPECT_TRUE(view->IsHexMode());
    EXPECT_EQ(view->Hex()->LineCount(), (kEditorTextLimit + 1 + 15) / 16);
    EXPECT_TRUE(view->Hex()->Line(0).startsWith("73 74 61 72  74 00"));

    auto edit = std::make_unique<CEditorView>(false);
    QString error;
    EXPECT_FALSE(edit->Load(path, &error));
    EXPECT_FALSE(error.isEmpty());
}

// Another program cuts the file while it is shown: the pages past the new
// end are gone. The view must live on and say so, whichever way it got
// there (a file beyond the text limit, and the hex switch of a small one).
TEST_F(EditorTest, AFileCutShortWhileShownInHexIsReportedNotFatal) {
    const QString big = File("big.bin", "start");
    ASSERT_EQ(::truncate(QFile::encodeName(big).constData(), kEditorTextLimit + 4096), 0);
    {
        QFile tail(big);
        ASSERT_TRUE(tail.open(QIODevice::ReadWrite));
        ASSERT_TRUE(tail.seek(kEditorTextLimit + 4000));
        ASSERT_EQ(tail.write("tail of the file"), 16);
    }
    QByteArray small(100000, 'x');
    const QString shown = File("small.bin", small);

    auto large = Open(big, true);
    ASSERT_TRUE(large->IsHexMode());
    auto little = Open(shown, true);
    ASSERT_TRUE(little->OnCommand(ID_EDITOR_HEX));
    ASSERT_TRUE(little->IsHexMode());
    for (CEditorView* view : {large.get(), little.get()}) {
        HexView* hex = view->Hex();
        hex->show();
        hex->resize(600, 400);
        hex->grab();  // the first page, read while the file is whole
        EXPECT_TRUE(hex->ChangedNotice().isEmpty());
    }

    ASSERT_EQ(::truncate(QFile::encodeName(big).constData(), 100), 0);
    ASSERT_EQ(::truncate(QFile::encodeName(shown).constData(), 10), 0);
    for (CEditorView* view : {large.get(), little.get()}) {
        HexView* hex = view->Hex();
        hex->setFocus();
        QTest::keyClick(hex, Qt::Key_End, Qt::ControlModifier);
        hex->grab();  // paints the last page: past the end of the file now
        QTest::keyClick(hex, Qt::Key_PageUp);
        hex->grab();
        EXPECT_EQ(hex->ChangedNotice(), QStringLiteral("the file has changed"));
        EXPECT_TRUE(hex->Line(hex->LineCount()).isEmpty());
    }
    // What is still there is shown as it is now.
    EXPECT_EQ(little->Hex()->Line(0).mid(kHexPartWidth), QByteArray(10, 'x'));
}

TEST_F(EditorTest, AnUnchangedFileIsSavedByteForByte) {
    // CRLF line ends, a bare CR, no final line end, bytes that are not UTF-8,
    // a NUL.
    QByteArray original("first\r\nsecond \xE9t\xE9\r\nthird\rfourth\xFF\xFE");
    original.append('\0');
    original.append("end");
    const QString path = File("odd.txt", original);
    auto view = Open(path, false);
    EXPECT_EQ(view->Bytes(), original);
    EXPECT_FALSE(view->IsModified());
    ASSERT_TRUE(view->Save());
    EXPECT_EQ(ReadAll(path), original);
    ASSERT_FALSE(notices.isEmpty());
    EXPECT_EQ(notices.last().text, "The file was saved Ok.");
    EXPECT_FALSE(notices.last().alert);

    // A change touches only what was changed; a new line takes the file's
    // line end.
    view->SetSelection(5, 5);
    view->Text()->SendScintilla(QsciScintillaBase::SCI_NEWLINE);
    EXPECT_TRUE(view->IsModified());
    EXPECT_EQ(view->ModifiedText(), "*");
    ASSERT_TRUE(view->Save());
    QByteArray expected = original;
    expected.insert(5, "\r\n");
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_EQ(view->ModifiedText(), "");
}

TEST_F(EditorTest, SavingKeepsPermissionsAndWritesThroughALink) {
    const QString path = File("kept.txt", "old");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    ASSERT_TRUE(m_dir.MakeSymlink("link.txt", "kept.txt"));
    const QString link = QString::fromUtf8(m_dir.Join("link.txt"));
    auto view = Open(link, false);
    view->SetSelection(0, 3);
    view->ReplaceSelection("new");
    ASSERT_TRUE(view->Save());
    EXPECT_EQ(ReadAll(path), "new");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(EditorTest, RichTextShowsFormattedInViewModeAndAsSourceInEditMode) {
    const QByteArray rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Plain {\\b bold} caf\\'e9 "
        "\\u8364?\\par second}";
    const QString path = File("Doc.RTF", rtf);
    auto view = Open(path, true);
    ASSERT_TRUE(view->IsRichText());
    const QTextDocument* doc = view->Rich()->document();
    EXPECT_EQ(doc->toPlainText(), QString::fromUtf8("Plain bold caf\xC3\xA9 \xE2\x82\xAC\nsecond"));
    const QTextBlock first = doc->firstBlock();
    bool sawBold = false;
    for (auto it = first.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.text() == "bold")
            sawBold = fragment.charFormat().fontWeight() == QFont::Bold;
    }
    EXPECT_TRUE(sawBold);
    EXPECT_FALSE(StateOf(*view, ID_EDITOR_HEX).enabled);
    view->OnCommand(ID_EDITOR_HEX);
    EXPECT_FALSE(view->IsHexMode());

    auto edit = Open(path, false);
    EXPECT_FALSE(edit->IsRichText());
    EXPECT_EQ(edit->Bytes(), rtf);
}

TEST_F(EditorTest, TheNonTextNoticeIsShownOnceAfterLoading) {
    const QString path = File("prog.bin", QByteArray("ab\x01"
                                                     "cd\x01"
                                                     "ef",
                                                     8));
    auto view = Open(path, true);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0].text, "The file is probably non-text; a switch to hex-view is suggested.");
    EXPECT_TRUE(notices[0].alert);

    notices.clear();
    auto edit = Open(path, false);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0].text, "The file is probably non-text; editing it may render it unusable.");

    notices.clear();
    auto text = Open(File("plain.txt", "no control characters\n"), true);
    EXPECT_TRUE(notices.isEmpty());
}

TEST_F(EditorTest, RefreshReadsTheFileAgainAndRestoresTheSelection) {
    const QString path = File("r.txt", "alpha beta gamma");
    auto view = Open(path, false);
    view->SetSelection(6, 10);
    ASSERT_TRUE(m_dir.MakeFile("r.txt", "ALPHA BETA GAMMA delta"));
    ASSERT_TRUE(view->Refresh());
    EXPECT_EQ(view->Bytes(), "ALPHA BETA GAMMA delta");
    EXPECT_EQ(view->SelectedBytes(), "BETA");

    // Unsaved changes: Cancel keeps them and reads nothing.
    view->ReplaceSelection("beta");
    prompter_->AnswerMessage(PromptAnswer::Cancel);
    EXPECT_FALSE(view->Refresh());
    EXPECT_EQ(view->Bytes(), "ALPHA beta GAMMA delta");
    EXPECT_TRUE(prompter_->AllAnswered());
}

TEST_F(EditorTest, InsertFilePutsItsBytesInPlaceOfTheSelection) {
    const QString other = File("other.txt", "INSERTED\xFF");
    auto view = EditText("one two three");
    view->SetSelection(4, 7);
    ASSERT_TRUE(view->InsertFile(other));
    EXPECT_EQ(view->Bytes(), "one INSERTED\xFF three");
    EXPECT_FALSE(view->InsertFile(other + "-missing"));
}

TEST(EditorTitleTest, NameAtFolder) {
    EXPECT_EQ(EditorTitle("/home/ann/docs/report.txt"), "report.txt @ /home/ann/docs");
}
