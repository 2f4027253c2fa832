// The containing-text scan (Ctrl+G) and compare by contents (Alt+F9) read
// their files off the main thread: the window answers while a file is being
// read, Escape stops the run with the usual summary, and a pane that leaves
// its folder meanwhile gets no selection meant for the old one.
//
// The files are read by stand-ins that hold one chosen file until the main
// thread has answered, so nothing here depends on how fast a disk is. Every
// wait is bounded: a run on the main thread fails these tests, it does not
// hang them.

#include <QCoreApplication>
#include <QKeyEvent>
#include <QThread>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

#include "platform/ui/EscapePoll.h"
#include "shell/LongOperation.h"
#include "support/Gate.h"
#include "tools/PaneCompare.h"
#include "tools/ToolsTestSupport.h"

namespace {

using namespace std::chrono_literals;

constexpr int kPatienceMs = 5000;

// Asks the main thread to run `call` through its event queue.
template <typename Call>
void OnMain(Call call) {
    QMetaObject::invokeMethod(qApp, std::move(call), Qt::QueuedConnection);
}

// Waits, bounded, until the run's stop flag is up; false when it never was.
bool WaitForStop(const std::function<bool()>& stop) {
    return SpinFor(stop, kPatienceMs, 0);
}

bool IsNamed(const QByteArray& path, const QByteArray& name) {
    return path.endsWith('/' + name);
}

// The status bar's part of a long operation, as the window has it: the
// Escape watch for the length of the operation, and a poll that runs the
// event loop and reports Escape.
class LongToolsTest : public ToolsTest {
protected:
    void SetUp() override {
        ToolsTest::SetUp();
        ProgressSink sink;
        sink.begin = [this](const QString&) { m_scope = std::make_unique<EscapePollScope>(); };
        sink.poll = [](bool orQuit) { return orQuit ? PollEscapeOrQuit() : PollEscape(); };
        sink.end = [this] { m_scope.reset(); };
        m_previous = SetProgressSink(std::move(sink));
    }
    void TearDown() override {
        SetProgressSink(std::move(m_previous));
        m_scope.reset();
        ToolsTest::TearDown();
    }

    // From the worker: the key is made and posted by the main thread, as
    // the window system's would be.
    void PressEscape() {
        OnMain([this] {
            QCoreApplication::postEvent(
                left.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        });
    }

    int Scan(const FileTextScanner& scanner) {
        return ScanPaneForText(*left, QStringLiteral("needle"), QStringLiteral("*.txt"), {},
                               scanner);
    }

    Gate gate;
    std::atomic<bool> onMainThread{false};
    std::atomic<bool> answered{false};

private:
    std::unique_ptr<EscapePollScope> m_scope;
    ProgressSink m_previous;
};

TEST_F(LongToolsTest, TheScanReadsOnAWorkerWhileTheWindowAnswers) {
    ASSERT_TRUE(a.MakeFile("a.txt", "a needle here"));
    ASSERT_TRUE(a.MakeFile("slow.txt", "a needle too"));
    ASSERT_TRUE(a.MakeFile("z.txt", "no match"));
    ASSERT_TRUE(Open(*left, a.Path()));
    const int count =
        Scan([this](const QByteArray& path, const QByteArray& text, const TextScanOptions& options,
                    const std::function<bool()>& stop) {
            if (IsNamed(path, "slow.txt")) {
                onMainThread = QThread::currentThread() == qApp->thread();
                // Only a main thread that runs its events opens the gate.
                OnMain([this] { gate.Open(); });
                answered = gate.Wait(kPatienceMs);
            }
            return ScanFileForText(path, text, options, stop);
        });
    EXPECT_FALSE(onMainThread);
    EXPECT_TRUE(answered) << "the main thread ran no event while the file was read";
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Selected(*left), QStringList({"a.txt", "slow.txt"}));
    EXPECT_EQ(Focused(*left), "a.txt");
    EXPECT_TRUE(notices.Has("Files containing specified string selected for further action", true));
}

TEST_F(LongToolsTest, EscapeEndsTheScanAndTheHitsSoFarStaySelected) {
    ASSERT_TRUE(a.MakeFile("a.txt", "a needle here"));
    ASSERT_TRUE(a.MakeFile("slow.txt", "a needle too"));
    ASSERT_TRUE(a.MakeFile("z.txt", "a needle at last"));
    ASSERT_TRUE(Open(*left, a.Path()));
    int scannedAfter = 0;
    Scan([&](const QByteArray& path, const QByteArray& text, const TextScanOptions& options,
             const std::function<bool()>& stop) {
        if (IsNamed(path, "z.txt"))
            ++scannedAfter;
        if (!IsNamed(path, "slow.txt"))
            return ScanFileForText(path, text, options, stop);
        PressEscape();
        // As the real search does between blocks: Escape gives -1.
        answered = WaitForStop(stop);
        return answered ? -1 : 0;
    });
    EXPECT_TRUE(answered) << "Escape did not reach the worker";
    EXPECT_EQ(scannedAfter, 0) << "the scan went on after Escape";
    EXPECT_EQ(Selected(*left), QStringList({"a.txt"}));
    EXPECT_TRUE(notices.Has("Files containing specified string selected for further action", true));
}

TEST_F(LongToolsTest, LeavingTheFolderDuringTheScanSelectsNothing) {
    ASSERT_TRUE(a.MakeFile("hit.txt", "a needle here"));
    ASSERT_TRUE(a.MakeFile("slow.txt", "nothing"));
    ASSERT_TRUE(b.MakeFile("hit.txt", "other folder, same name"));
    ASSERT_TRUE(b.MakeFile("slow.txt", "x"));
    ASSERT_TRUE(Open(*left, a.Path()));
    int scannedAfter = 0;
    const int count = Scan([&](const QByteArray& path, const QByteArray& text,
                               const TextScanOptions& options, const std::function<bool()>& stop) {
        if (!IsNamed(path, "slow.txt"))
            return ScanFileForText(path, text, options, stop);
        if (scannedAfter++ > 0)
            return 0;
        OnMain([this] {
            Open(*left, b.Path());
            gate.Open();
        });
        answered = gate.Wait(kPatienceMs) && WaitForStop(stop);
        return 0;
    });
    EXPECT_TRUE(answered) << "the folder change did not stop the run";
    EXPECT_EQ(count, 0);
    EXPECT_EQ(left->Model()->path, b.Path());
    EXPECT_TRUE(Selected(*left).isEmpty()) << "a hit of the old folder selected in the new one";
    EXPECT_TRUE(notices.Has(TextScanTexts::kFolderChanged, true));
    EXPECT_FALSE(
        notices.Has("Files containing specified string selected for further action", true));
}

// -- Compare by contents ----------------------------------------------------------

class LongCompareTest : public LongToolsTest {
protected:
    void MakePairs() {
        for (const char* name : {"a", "slow", "z"}) {
            ASSERT_TRUE(a.MakeFile(name, "left"));
            ASSERT_TRUE(b.MakeFile(name, "rite"));
        }
        ASSERT_TRUE(Open(*left, a.Path()));
        ASSERT_TRUE(Open(*right, b.Path()));
    }
};

TEST_F(LongCompareTest, ContentsAreReadOnAWorkerWhileTheWindowAnswers) {
    MakePairs();
    ContentComparer compare = [this](const QByteArray& first, const QByteArray& second,
                                     std::uint64_t size, ContentBuffers& buffers,
                                     const std::function<bool()>& stop) {
        if (IsNamed(first, "slow")) {
            onMainThread = QThread::currentThread() == qApp->thread();
            OnMain([this] { gate.Open(); });
            answered = gate.Wait(kPatienceMs);
        }
        return CompareFileContents(first, second, size, buffers, stop);
    };
    SyncOnContent(*left, *right, compare);
    EXPECT_FALSE(onMainThread);
    EXPECT_TRUE(answered) << "the main thread ran no event while the pair was read";
    EXPECT_EQ(Selected(*left), QStringList({"a", "slow", "z"}));
    EXPECT_TRUE(notices.Has("Differing items identified and selected for further action.", true));
}

TEST_F(LongCompareTest, EscapeEndsTheComparisonWithTheSummary) {
    MakePairs();
    int comparedAfter = 0;
    ContentComparer compare = [&](const QByteArray& first, const QByteArray& second,
                                  std::uint64_t size, ContentBuffers& buffers,
                                  const std::function<bool()>& stop) {
        if (IsNamed(first, "z"))
            ++comparedAfter;
        if (!IsNamed(first, "slow"))
            return CompareFileContents(first, second, size, buffers, stop);
        PressEscape();
        answered = WaitForStop(stop);
        return answered ? ContentResult::kAborted : ContentResult::kEqual;
    };
    SyncOnContent(*left, *right, compare);
    EXPECT_TRUE(answered) << "Escape did not reach the worker";
    EXPECT_EQ(comparedAfter, 0);
    EXPECT_EQ(Selected(*left), QStringList({"a"})) << "the pair broken off keeps its selection";
    EXPECT_TRUE(notices.Has("Differing items identified and selected for further action.", true));
}

TEST_F(LongCompareTest, TheOtherPaneLeavingItsFolderSelectsNothing) {
    MakePairs();
    TestDir elsewhere;
    ASSERT_TRUE(elsewhere.MakeFile("a", "left"));
    ASSERT_TRUE(Select(*left, {"z"}));
    ContentComparer compare = [&](const QByteArray& first, const QByteArray& second,
                                  std::uint64_t size, ContentBuffers& buffers,
                                  const std::function<bool()>& stop) {
        if (!IsNamed(first, "slow"))
            return CompareFileContents(first, second, size, buffers, stop);
        OnMain([&] {
            Open(*right, elsewhere.Path());
            gate.Open();
        });
        answered = gate.Wait(kPatienceMs) && WaitForStop(stop);
        return ContentResult::kDiffer;
    };
    SyncOnContent(*left, *right, compare);
    EXPECT_TRUE(answered) << "the folder change did not stop the run";
    EXPECT_EQ(Selected(*left), QStringList({"z"})) << "the selection was changed by a stale run";
    EXPECT_TRUE(notices.Has(CompareTexts::kFolderChanged, true));
    EXPECT_FALSE(notices.Has("Differing items identified and selected for further action.", true));
}

}  // namespace
