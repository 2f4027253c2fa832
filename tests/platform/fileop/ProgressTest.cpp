// The progress dialog of a running operation: its Cancel button is reached
// by real clicks, while the rest of the program waits for the operation.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "FileOpTestSupport.h"
#include "platform/fileop/FileOpProgressDialog.h"
#include "platform/fileop/FileOpProgressReporter.h"
#include "platform/ui/EscapePoll.h"
#include "support/Wait.h"

namespace {

// A click as the window system delivers it: press and release at the
// middle of the button. Made on the main thread (an event needs its
// pointing device, which lives there) and posted from any thread.
struct Click {
    explicit Click(QWidget* button) : button(button) {
        const QPointF inside(button->width() / 2.0, button->height() / 2.0);
        press = std::make_unique<QMouseEvent>(QEvent::MouseButtonPress, inside, inside,
                                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        release = std::make_unique<QMouseEvent>(QEvent::MouseButtonRelease, inside, inside,
                                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    }
    void Post() {
        QCoreApplication::postEvent(button, press.release());
        QCoreApplication::postEvent(button, release.release());
    }
    QWidget* button;
    std::unique_ptr<QMouseEvent> press, release;
};

// Counts the program's private events it receives (a pane's "folder
// changed").
class Receiver : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::Type(kFirstPrivateEvent)) {
            ++received;
            return true;
        }
        return QObject::event(event);
    }
    std::atomic<int> received{0};
};

// The final flush of a removable target runs on a thread of its own while
// the dialog stays alive: the test acts from there, where the operation is
// certainly running and pumping events.
class FlushHookIo : public FaultIo {
public:
    std::function<void()> onFlush;
    int Syncfs(int fd) override {
        if (onFlush)
            onFlush();
        return FaultIo::Syncfs(fd);
    }
};

// One large file: its name is set once, before the dialog is up; the
// dialog names it all the same.
TEST(FileOperationProgressTest, TheDialogNamesAFileSetBeforeItShowed) {
    FileOpProgressReporter reporter(QStringLiteral("Copying"), nullptr, false, {});
    reporter.SetDelay(0);
    reporter.Start();
    reporter.bytesTotal = 1000000;
    reporter.itemsTotal = 1;
    reporter.SetCurrent("/data/big file.iso");
    reporter.Tick(true);
    ASSERT_NE(reporter.Dialog(), nullptr);
    EXPECT_TRUE(reporter.Dialog()->ItemText().contains(QStringLiteral("big file.iso")))
        << reporter.Dialog()->ItemText().toStdString();
    // A later item replaces it at the next repaint.
    reporter.SetCurrent("/data/next.txt");
    reporter.Tick(true);
    EXPECT_TRUE(reporter.Dialog()->ItemText().contains(QStringLiteral("next.txt")));
    reporter.Close();
}

TEST(FileOperationProgressTest, CancelIsClickableWhileThePanesWaitForTheOperation) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("src/file", QByteArray(1 << 20, 'f')));
    ASSERT_TRUE(dir.MakeFolder("stick"));
    QWidget program;
    auto* paneButton = new QPushButton(QStringLiteral("Refresh"), &program);
    QSignalSpy paneClicked(paneButton, &QPushButton::clicked);
    program.show();
    Receiver pane;

    ScopedPrompter prompter;
    FlushHookIo io;
    io.removable = true;
    FileOpRequest request;
    request.sources = {dir.Join("src/file")};
    request.targetFolder = dir.Join("stick");
    FileOperation operation(request);
    operation.SetIo(&io);
    operation.SetProgressDelay(0);

    // Made on the main thread while data is copied; posted from the flush.
    std::unique_ptr<Click> onCancel;
    Click onPane(paneButton);
    std::atomic<bool> cancelSeen{false};
    io.onData = [&](std::uint64_t) {
        FileOpProgressDialog* dialog = operation.ProgressDialog();
        if (!dialog || onCancel)
            return;
        onCancel = std::make_unique<Click>(dialog->findChild<QPushButton*>());
        QObject::connect(dialog, &FileOpProgressDialog::cancelRequested, dialog,
                         [&] { cancelSeen.store(true); });
    };
    bool waited = false;
    io.onFlush = [&] {
        QCoreApplication::postEvent(&pane, new QEvent(QEvent::Type(kFirstPrivateEvent)));
        if (onCancel)
            onCancel->Post();
        onPane.Post();
        waited = SpinFor([&] { return cancelSeen.load(); });
    };

    const FileOpResult result = operation.Run();
    ASSERT_TRUE(onCancel) << "the dialog was up while the file was copied";
    EXPECT_TRUE(waited) << "the click on Cancel reached the dialog during the flush";
    EXPECT_TRUE(operation.IsCancelled());
    EXPECT_EQ(paneClicked.count(), 0) << "the rest of the program takes no input";
    EXPECT_EQ(pane.received.load(), 0) << "the pane's notice waits for the operation";
    // The flush was already on its way: the copy is complete all the same.
    EXPECT_EQ(ReadBytes(dir.Join("stick/file")), QByteArray(1 << 20, 'f'));
    EXPECT_TRUE(Leftovers(dir.Join("stick")).empty());
    EXPECT_EQ(result.done.size(), 1u);
    EXPECT_EQ(operation.ProgressDialog(), nullptr);

    QCoreApplication::processEvents();
    EXPECT_EQ(pane.received.load(), 1) << "and arrives once it has ended";
}

TEST(FileOperationProgressTest, ClosingTheDialogAsksBeforeCancelling) {
    ScopedPrompter prompter;
    int cancels = 0;
    FileOpProgressReporter progress(QStringLiteral("Copying"), nullptr, false, [&] { ++cancels; });
    progress.SetDelay(0);
    progress.Start();
    progress.Tick(true);
    FileOpProgressDialog* dialog = progress.Dialog();
    ASSERT_NE(dialog, nullptr);

    // Alt+F4 or the title bar's close button reach the dialog as a close
    // event; the answer No goes on.
    prompter->AnswerMessage(PromptAnswer::No);
    QCoreApplication::postEvent(dialog, new QCloseEvent);
    progress.Tick(true);
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_TRUE(prompter->Requests()[0].text.contains(QStringLiteral("Cancel")));
    EXPECT_EQ(prompter->Requests()[0].defaultButton, 1) << "No is the default";
    EXPECT_EQ(cancels, 0);
    EXPECT_FALSE(dialog->CancelRequested());
    EXPECT_TRUE(dialog->isVisible());

    // Escape asks too; Yes cancels.
    prompter->AnswerMessage(PromptAnswer::Yes);
    QCoreApplication::postEvent(dialog,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    progress.Tick(true);
    EXPECT_EQ(prompter->Requests().size(), 2);
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(dialog->CancelRequested());

    // The Cancel button is an explicit choice: it cancels without a question.
    FileOpProgressReporter second(QStringLiteral("Copying"), nullptr, false, [&] { ++cancels; });
    second.SetDelay(0);
    second.Start();
    second.Tick(true);
    ASSERT_NE(second.Dialog(), nullptr);
    second.Dialog()->findChild<QPushButton*>()->click();
    second.Tick(true);
    EXPECT_EQ(cancels, 2);
    EXPECT_EQ(prompter->Requests().size(), 2);
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
}

// Closing the main window while the work runs asks the same question: No
// keeps both the work and the window; Yes cancels and the window closes once
// the work has stopped.
TEST(FileOperationProgressTest, ClosingTheMainWindowAsksBeforeCancelling) {
    ScopedPrompter prompter;
    QWidget main;
    main.show();
    SetQuitWindow(&main);
    int cancels = 0;
    {
        FileOpProgressReporter progress(QStringLiteral("Copying"), nullptr, false,
                                        [&] { ++cancels; });
        progress.SetDelay(0);
        progress.Start();
        progress.Tick(true);

        prompter->AnswerMessage(PromptAnswer::No);
        QCoreApplication::postEvent(&main, new QCloseEvent);
        progress.Tick(true);
        progress.Tick(true);
        ASSERT_EQ(prompter->Requests().size(), 1);
        EXPECT_TRUE(prompter->Requests()[0].text.contains(QStringLiteral("Cancel")));
        EXPECT_EQ(cancels, 0);
        QCoreApplication::processEvents();
        EXPECT_TRUE(main.isVisible()) << "No keeps the window";

        prompter->AnswerMessage(PromptAnswer::Yes);
        QCoreApplication::postEvent(&main, new QCloseEvent);
        progress.Tick(true);
        progress.Tick(true);
        EXPECT_EQ(prompter->Requests().size(), 2) << "asked once per close";
        EXPECT_EQ(cancels, 1);
    }
    // The work has stopped: the close is carried out.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(main.isVisible());
    SetQuitWindow(nullptr);
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
}

}  // namespace
