// The Escape poll of long operations: what the input gate swallows, sees and
// gives back afterwards.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "platform/ui/EscapePoll.h"
#include "support/Wait.h"

namespace {

// Records the events of the types it is told to watch, and (optionally)
// swallows them.
class EventRecorder : public QObject {
public:
    explicit EventRecorder(QList<QEvent::Type> types, bool swallow = false)
        : m_types(std::move(types)), m_swallow(swallow) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (!m_types.contains(event->type()))
            return false;
        seen.append(event->type());
        return m_swallow;
    }
    bool event(QEvent* event) override {
        if (m_types.contains(event->type())) {
            seen.append(event->type());
            return true;
        }
        return QObject::event(event);
    }
    QList<QEvent::Type> seen;

private:
    QList<QEvent::Type> m_types;
    bool m_swallow;
};

// A Quit that reaches the application would end its (absent) event loop and
// every later wait of the test run: the guard takes it first.
class QuitGuard {
public:
    QuitGuard() : recorder({QEvent::Quit}, true) { qApp->installEventFilter(&recorder); }
    ~QuitGuard() { qApp->removeEventFilter(&recorder); }
    int Count() const { return int(recorder.seen.size()); }
    EventRecorder recorder;
};

TEST(PollEscape, AnEscapeReleaseStopsAndOtherKeysAndClicksAreSwallowed) {
    QWidget window;
    window.resize(200, 100);
    EventRecorder keys({QEvent::KeyPress, QEvent::KeyRelease});
    window.installEventFilter(&keys);
    auto* button = new QPushButton(QStringLiteral("Go"), &window);
    QSignalSpy clicked(button, &QPushButton::clicked);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    {
        EscapePollScope polling;
        EXPECT_TRUE(IsEscapePollActive());
        EXPECT_FALSE(PollEscape());

        QCoreApplication::postEvent(&window,
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier));
        const QPointF inside(5, 5);
        QCoreApplication::postEvent(
            button, new QMouseEvent(QEvent::MouseButtonPress, inside, inside, Qt::LeftButton,
                                    Qt::LeftButton, {}));
        QCoreApplication::postEvent(
            button, new QMouseEvent(QEvent::MouseButtonRelease, inside, inside, Qt::LeftButton,
                                    Qt::NoButton, {}));
        EXPECT_FALSE(PollEscape());

        QCoreApplication::postEvent(
            &window, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier));
        EXPECT_TRUE(PollEscape());
        // Seen once, reported once.
        EXPECT_FALSE(PollEscape());
    }
    EXPECT_FALSE(IsEscapePollActive());
    EXPECT_TRUE(keys.seen.isEmpty());
    EXPECT_EQ(clicked.count(), 0);

    // Without a scope the key reaches the program as usual, and the poll
    // still finds an Escape that is pending.
    QCoreApplication::postEvent(&window,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier));
    QCoreApplication::processEvents();
    EXPECT_EQ(keys.seen, QList<QEvent::Type>{QEvent::KeyPress});
    QCoreApplication::postEvent(&window,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    EXPECT_TRUE(PollEscape());
    EXPECT_EQ(keys.seen.size(), 1);
}

TEST(PollEscape, ShortcutsDoNotFireDuringAnOperation) {
    QMainWindow window;
    QAction action(QStringLiteral("Equal panes"));
    action.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    window.addAction(&action);
    QSignalSpy triggered(&action, &QAction::triggered);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier);
    ASSERT_EQ(triggered.count(), 1) << "the shortcut works outside an operation";

    EscapePollScope polling;
    QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier);
    EXPECT_FALSE(PollEscape());
    EXPECT_EQ(triggered.count(), 1);
}

TEST(PollEscape, AQuitDuringTheLoopStopsItAndIsPostedAgainAfterwards) {
    QuitGuard guard;
    {
        EscapePollScope polling;
        EXPECT_FALSE(PollEscapeOrQuit());
        QCoreApplication::postEvent(qApp, new QEvent(QEvent::Quit));
        EXPECT_TRUE(PollEscapeOrQuit());
        // The request stands for the rest of the operation...
        EXPECT_TRUE(PollEscapeOrQuit());
        // ...and the plain poll does not report it.
        EXPECT_FALSE(PollEscape());
        EXPECT_EQ(guard.Count(), 0);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(guard.Count(), 1);

    // The plain poll holds a quit back as well and lets it go afterwards.
    {
        EscapePollScope polling;
        QCoreApplication::postEvent(qApp, new QEvent(QEvent::Quit));
        EXPECT_FALSE(PollEscape());
        EXPECT_EQ(guard.Count(), 1);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(guard.Count(), 2);
}

TEST(PollEscape, ClosingTheMainWindowIsAQuitRequestCarriedOutAfterTheLoop) {
    QuitGuard guard;
    QWidget mainWindow;
    QWidget editor;
    SetQuitWindow(&mainWindow);
    mainWindow.show();
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
    {
        EscapePollScope polling;
        QCoreApplication::postEvent(&editor, new QCloseEvent);
        EXPECT_FALSE(PollEscapeOrQuit());
        QCoreApplication::postEvent(&mainWindow, new QCloseEvent);
        EXPECT_TRUE(PollEscapeOrQuit());
        EXPECT_TRUE(mainWindow.isVisible());
        EXPECT_TRUE(editor.isVisible());
    }
    EXPECT_TRUE(WaitFor([&] { return !mainWindow.isVisible(); }, 5000));
    EXPECT_FALSE(editor.isVisible());
    SetQuitWindow(nullptr);
}

TEST(PollEscape, PrivateEventsWaitUntilTheOperationEnds) {
    constexpr auto kFolderChanged = QEvent::Type(kFirstPrivateEvent);
    EventRecorder pane({kFolderChanged, QEvent::User});
    {
        EscapePollScope polling;
        QCoreApplication::postEvent(&pane, new QEvent(kFolderChanged));
        QCoreApplication::postEvent(&pane, new QEvent(QEvent::User));
        EXPECT_FALSE(PollEscape());
        // Events outside the program's range are not held.
        EXPECT_EQ(pane.seen, QList<QEvent::Type>{QEvent::User});
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(pane.seen, (QList<QEvent::Type>{QEvent::User, kFolderChanged}));

    // A receiver that is gone by then is skipped.
    {
        auto gone = std::make_unique<EventRecorder>(QList<QEvent::Type>{kFolderChanged});
        EscapePollScope polling;
        QCoreApplication::postEvent(gone.get(), new QEvent(kFolderChanged));
        EXPECT_FALSE(PollEscape());
        gone.reset();
    }
    QCoreApplication::processEvents();
}

// A click posted as the window system delivers it: press and release at the
// middle of the button.
void PostClick(QWidget* button) {
    const QPointF inside(button->width() / 2.0, button->height() / 2.0);
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, inside, inside,
                                                        Qt::LeftButton, Qt::LeftButton, {}));
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, inside, inside,
                                                        Qt::LeftButton, Qt::NoButton, {}));
}

TEST(PollEscape, TheOperationsOwnWindowKeepsItsInputAndItsClose) {
    QWidget program;
    auto* programButton = new QPushButton(QStringLiteral("Refresh"), &program);
    QWidget dialog;
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
    QSignalSpy programClicked(programButton, &QPushButton::clicked);
    QSignalSpy cancelClicked(cancel, &QPushButton::clicked);
    EventRecorder closes({QEvent::Close});
    dialog.installEventFilter(&closes);
    program.show();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    {
        EscapePollScope polling(&dialog);
        PostClick(programButton);
        PostClick(cancel);
        QCoreApplication::postEvent(
            cancel, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        EXPECT_TRUE(PollEscape()) << "an Escape in the dialog still counts";
        EXPECT_EQ(cancelClicked.count(), 1);
        EXPECT_EQ(programClicked.count(), 0);

        // Closing the dialog is not held back; closing the program is.
        QCoreApplication::postEvent(&program, new QCloseEvent);
        QCoreApplication::postEvent(&dialog, new QCloseEvent);
        EXPECT_FALSE(PollEscape());
        EXPECT_EQ(closes.seen, QList<QEvent::Type>{QEvent::Close});
        EXPECT_TRUE(program.isVisible());

        // An inner scope without the window does not take the way through
        // away from the outer one.
        {
            EscapePollScope inner;
            PostClick(cancel);
            EXPECT_FALSE(PollEscape());
        }
        EXPECT_EQ(cancelClicked.count(), 2);
    }
    EXPECT_TRUE(WaitFor([&] { return !program.isVisible(); }, 5000))
        << "the held close is carried out afterwards";

    // The way through ends with the scope that opened it.
    {
        EscapePollScope polling;
        PostClick(cancel);
        EXPECT_FALSE(PollEscape());
    }
    EXPECT_EQ(cancelClicked.count(), 2);
}

}  // namespace
