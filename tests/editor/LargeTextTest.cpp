// Large texts: a log of many short lines opens without whole-text work
// (wrapping, styling, layout beyond the screen), can be searched and
// travelled to its end, and its memory goes back when its window closes.

#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPointer>

#include "EditorTestSupport.h"
#include "editor/CEditorFrame.h"
#include "editor/EditorCommandIds.h"
#include "editor/EditorTextControl.h"
#include "support/Wait.h"

namespace {

// Lines as a service writes them, varied, 80 to 160 bytes; `marker` on one
// line near the end.
QByteArray LogLines(qint64 size, const QByteArray& marker) {
    static const char* const kLevels[] = {"INFO ", "DEBUG", "WARN ", "ERROR"};
    QByteArray log;
    log.reserve(size + 256);
    unsigned seed = 12345;
    bool marked = marker.isEmpty();
    for (int line = 0; log.size() < size; ++line) {
        seed = seed * 1103515245u + 12345u;
        QByteArray text = "2026-12-09 03:" + QByteArray::number(line / 60 % 60) + ":" +
                          QByteArray::number(line % 60) + " " + kLevels[seed >> 30] + " [worker-" +
                          QByteArray::number(seed >> 27 & 15) + "] request " +
                          QByteArray::number(seed % 100000) + " served in " +
                          QByteArray::number(seed >> 16 & 1023) + " ms";
        text += QByteArray(int(seed >> 8 & 63), '.');
        if (!marked && log.size() > size - 4096) {
            text += " " + marker;
            marked = true;
        }
        log += text + "\n";
    }
    return log;
}

CommandState StateOf(CEditorView& view, int id) {
    CommandState state;
    EXPECT_TRUE(view.OnUpdateCommand(id, state)) << id;
    return state;
}

long Send(EditorTextControl* text, unsigned int message) {
    return text->SendScintilla(message);
}

void PressKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(target, &release);
}

qint64 ResidentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : -1;
}

// Bytes the allocator has handed out and not had back.
qint64 AllocatedBytes() {
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}

// Opens `path` in a shown window, waits (bounded) until it is painted, goes
// to the end and back and finds `word`; then closes the window and lets
// the deferred deletions and what follows them run.
void ViewAndClose(const QString& path, const QByteArray& word, qint64* residentWhileOpen) {
    CEditorFrame* frame = OpenEditorWindow(path, true);
    ASSERT_NE(frame, nullptr);
    QPointer<CEditorFrame> guard(frame);
    EditorTextControl* text = frame->View()->Text();
    WaitFor([&] { return text->isVisible(); }, 5000);
    QApplication::processEvents();
    PressKey(text, Qt::Key_End, Qt::ControlModifier);
    QApplication::processEvents();
    PressKey(text, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_TRUE(frame->View()->FindText(QString::fromLatin1(word)));
    QApplication::processEvents();
    if (residentWhileOpen)
        *residentWhileOpen = ResidentBytes();
    frame->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    EXPECT_TRUE(guard.isNull());
}

}  // namespace

TEST_F(EditorTest, ALargeTextIsShownUnwrappedUnstyledAndLaidOutOnlyWhereShown) {
    const QByteArray log = LogLines(CEditorView::kWrapLimit + 4096, "needle");
    ASSERT_TRUE(EditorConfig().wordWrap);
    auto view = Open(File("service.log", log), true);
    EditorTextControl* text = view->Text();
    EXPECT_EQ(view->Bytes(), log);
    EXPECT_FALSE(view->WrapsText());
    EXPECT_EQ(Send(text, QsciScintillaBase::SCI_GETWRAPMODE), QsciScintillaBase::SC_WRAP_NONE);
    // The ends of long lines stay within reach.
    EXPECT_EQ(Send(text, QsciScintillaBase::SCI_GETHSCROLLBAR), 1);
    // No style byte per character, no layouts kept but the caret's line,
    // no styling while idle, no scroll width measured over the text.
    EXPECT_TRUE(Send(text, QsciScintillaBase::SCI_GETDOCUMENTOPTIONS) &
                QsciScintillaBase::SC_DOCUMENTOPTION_STYLES_NONE);
    EXPECT_EQ(Send(text, QsciScintillaBase::SCI_GETLAYOUTCACHE), QsciScintillaBase::SC_CACHE_CARET);
    EXPECT_EQ(Send(text, QsciScintillaBase::SCI_GETIDLESTYLING),
              QsciScintillaBase::SC_IDLESTYLING_NONE);
    EXPECT_EQ(Send(text, QsciScintillaBase::SCI_GETSCROLLWIDTHTRACKING), 0);
    ASSERT_FALSE(notices.isEmpty());
    EXPECT_EQ(notices.last().text, "Word wrap is off for texts larger than 1 MB.");
    EXPECT_FALSE(notices.last().alert);

    // Word wrap asked for on the large text: it says why not, leaves the
    // text unwrapped and the setting as it was (for the texts it suits).
    notices.clear();
    EXPECT_FALSE(StateOf(*view, ID_EDITOR_WORD_WRAP).checked);
    ASSERT_TRUE(view->OnCommand(ID_EDITOR_WORD_WRAP));
    EXPECT_FALSE(view->WrapsText());
    EXPECT_TRUE(EditorConfig().wordWrap);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0].text, "Word wrap is off for texts larger than 1 MB.");

    // A small text wraps as set, without the scroll bar, and F2 turns it off.
    auto small = EditText("a short text\n");
    EXPECT_TRUE(small->WrapsText());
    EXPECT_EQ(Send(small->Text(), QsciScintillaBase::SCI_GETHSCROLLBAR), 0);
    // Wrapped, it keeps the layouts of the page, not of every line.
    EXPECT_EQ(Send(small->Text(), QsciScintillaBase::SCI_GETLAYOUTCACHE),
              QsciScintillaBase::SC_CACHE_PAGE);
    EXPECT_TRUE(StateOf(*small, ID_EDITOR_WORD_WRAP).checked);
    ASSERT_TRUE(small->OnCommand(ID_EDITOR_WORD_WRAP));
    EXPECT_FALSE(small->WrapsText());
    EXPECT_FALSE(EditorConfig().wordWrap);
}

TEST_F(EditorTest, ALargeLogIsSearchedAndTravelledToItsEnd) {
    const QByteArray log = LogLines(EditorTextControl::kAccessibleTextLimit + 4096, "needle");
    auto view = Open(File("service.log", log), true);
    EditorTextControl* text = view->Text();
    ASSERT_EQ(view->Length(), log.size());
    // The interface that counts characters up to the caret on every move
    // is not the large text's.
    EXPECT_FALSE(text->HasTextAccessibility());

    // Find from the top lands on the one hit, near the end.
    view->SetSelection(0, 0);
    ASSERT_TRUE(view->FindText(QStringLiteral("needle")));
    EXPECT_EQ(view->SelectionStart(), log.indexOf("needle"));
    EXPECT_GT(view->SelectionStart(), log.size() - 8192);
    // Ctrl+End and Ctrl+Home.
    PressKey(text, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view->SelectionStart(), log.size());
    EXPECT_EQ(text->LineOf(view->SelectionStart()) + 1, view->LineCount());
    PressKey(text, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(view->SelectionStart(), 0);

    // A text of ordinary size keeps the interface a screen reader reads.
    auto small = EditText("readable\n");
    EXPECT_TRUE(small->Text()->HasTextAccessibility());
}

TEST_F(EditorTest, TheMemoryOfALargeTextGoesBackWhenItsWindowCloses) {
    const qint64 size = 17 << 20;
    const QString path = File("service.log", LogLines(size, "needle"));
    // A first window pays for what is made once in a run (fonts, caches),
    // and leaves the allocator ready to serve a text of this size from its
    // own heap rather than from pages of its own.
    ViewAndClose(path, "needle", nullptr);
    const qint64 allocatedBefore = AllocatedBytes();
    const qint64 residentBefore = ResidentBytes();
    ASSERT_GT(residentBefore, 0);

    qint64 residentOpen = 0;
    ViewAndClose(path, "needle", &residentOpen);
    // The text was held (once).
    EXPECT_GT(residentOpen, residentBefore + size * 9 / 10);
    // Everything the window allocated was freed...
    EXPECT_LT(AllocatedBytes(), allocatedBefore + (1 << 20));
    // ...and went back to the system.
    EXPECT_LT(ResidentBytes(), residentBefore + size / 4);
}
