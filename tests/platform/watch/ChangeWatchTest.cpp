#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "platform/watch/ChangeWatch.h"
#include "support/TestDir.h"
#include "support/Wait.h"

namespace {

using namespace std::chrono_literals;

constexpr int kFolderChanged = 32769;
constexpr quintptr kModel = 0xC0FFEE;

// Records the change events posted to it, with the thread they arrived on.
class Receiver : public QObject {
public:
    int count = 0;
    quintptr lastParameter = 0;
    bool onOwnThread = true;

protected:
    bool event(QEvent* e) override {
        if (e->type() != QEvent::Type(kFolderChanged))
            return QObject::event(e);
        ++count;
        lastParameter = static_cast<ChangeWatchEvent*>(e)->parameter();
        onOwnThread = onOwnThread && QThread::currentThread() == thread();
        return true;
    }
};

std::unique_ptr<ChangeWatch> MakeWatch(
    const TestDir& dir, Receiver& receiver,
    ChangeWatch::Scope scope = ChangeWatch::Scope::Everything,
    std::chrono::milliseconds settle = ChangeWatch::kSettleTime) {
    return std::make_unique<ChangeWatch>(dir.PathBytes(), scope, settle, &receiver, kFolderChanged,
                                         kModel);
}

TEST(ChangeWatch, NewFileIsReportedWithTheParameterOnTheReceiversThread) {
    TestDir dir;
    Receiver receiver;
    auto watch = MakeWatch(dir, receiver);
    ASSERT_TRUE(watch->Start());
    EXPECT_TRUE(watch->IsRunning());
    EXPECT_FALSE(watch->Start());  // once only

    ASSERT_TRUE(dir.MakeFile("new.txt", "hello"));
    ASSERT_TRUE(WaitFor([&] { return receiver.count >= 1; }));
    EXPECT_EQ(receiver.lastParameter, kModel);
    EXPECT_TRUE(receiver.onOwnThread);
}

TEST(ChangeWatch, BurstOfWritesGivesOneEvent) {
    TestDir dir;
    Receiver receiver;
    // The removable settle time leaves room for a busy machine between writes.
    auto watch =
        MakeWatch(dir, receiver, ChangeWatch::Scope::Everything, ChangeWatch::kRemovableSettleTime);
    ASSERT_TRUE(watch->Start());

    for (int i = 0; i < 10; ++i) ASSERT_TRUE(dir.MakeFile("f" + QByteArray::number(i), "x"));
    ASSERT_TRUE(WaitFor([&] { return receiver.count >= 1; }));
    EXPECT_GE(watch->ChangeCount(), 10);

    // A later change is a second burst. Its event comes after any event the
    // first burst could still have posted, so the count now is exact.
    ASSERT_TRUE(dir.MakeFile("marker", "x"));
    ASSERT_TRUE(WaitFor([&] { return watch->SettledCount() >= 2; }));
    EXPECT_EQ(receiver.count, 2);
    EXPECT_EQ(watch->SettledCount(), 2);
}

TEST(ChangeWatch, DisabledWatchPostsNothingAndEnabledAgainReports) {
    TestDir dir;
    Receiver receiver;
    auto watch = MakeWatch(dir, receiver);
    ASSERT_TRUE(watch->Start());

    watch->SetEnabled(false);
    EXPECT_FALSE(watch->IsEnabled());
    ASSERT_TRUE(dir.MakeFile("quiet.txt", "x"));
    ASSERT_TRUE(WaitFor([&] { return watch->SettledCount() >= 1; }));
    EXPECT_EQ(receiver.count, 0);

    watch->SetEnabled(true);
    ASSERT_TRUE(dir.MakeFile("loud.txt", "x"));
    ASSERT_TRUE(WaitFor([&] { return watch->SettledCount() >= 2; }));
    EXPECT_EQ(receiver.count, 1);
}

TEST(ChangeWatch, ContentAndAttributeChangesCountOnlyForTheFullScope) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("a.txt", "one"));
    ASSERT_TRUE(dir.MakeFolder("sub"));

    Receiver everything;
    auto full = MakeWatch(dir, everything);
    ASSERT_TRUE(full->Start());
    Receiver foldersOnly;
    auto folders = MakeWatch(dir, foldersOnly, ChangeWatch::Scope::FoldersOnly);
    ASSERT_TRUE(folders->Start());

    ASSERT_TRUE(dir.MakeFile("a.txt", "two"));  // rewritten contents
    ASSERT_TRUE(dir.SetMode("a.txt", 0600));
    ASSERT_TRUE(WaitFor([&] { return everything.count >= 1; }));

    // Events are read in order, so once the folder's creation is seen, the
    // file events before it have been read (and must not have counted).
    ASSERT_TRUE(dir.MakeFolder("made"));
    ASSERT_TRUE(WaitFor([&] { return foldersOnly.count >= 1; }));
    EXPECT_EQ(folders->ChangeCount(), 1);
    ASSERT_EQ(::rename(dir.Join("made").constData(), dir.Join("renamed").constData()), 0);
    ASSERT_EQ(::rmdir(dir.Join("sub").constData()), 0);
    ASSERT_TRUE(WaitFor([&] { return folders->ChangeCount() >= 4; }));
    EXPECT_EQ(folders->ChangeCount(), 4);  // moved from, moved to, deleted
}

TEST(ChangeWatch, StartFailsForWhatCannotBeWatched) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("plain", "x"));
    Receiver receiver;
    for (const QByteArray& path : {dir.Join("missing"), dir.Join("plain"), QByteArray()}) {
        ChangeWatch watch(path, ChangeWatch::Scope::Everything, ChangeWatch::kSettleTime, &receiver,
                          kFolderChanged, kModel);
        EXPECT_FALSE(watch.Start()) << path.constData();
        EXPECT_FALSE(watch.IsRunning());
    }
}

// Destroys the watch on another thread and tells whether that ended before
// the deadline (the watch is leaked, not waited for, when it did not).
bool DestroyedBefore(std::unique_ptr<ChangeWatch> watch, std::chrono::seconds deadline) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([watch = std::move(watch), done]() mutable {
        watch.reset();
        done->set_value();
    }).detach();
    return finished.wait_for(deadline) == std::future_status::ready;
}

TEST(ChangeWatch, DestructionIsPromptEvenInTheMiddleOfSettling) {
    TestDir dir;
    Receiver receiver;
    // A settle time far beyond the deadline below: only the stop request can
    // end the wait in time.
    auto watch = MakeWatch(dir, receiver, ChangeWatch::Scope::Everything, std::chrono::hours(1));
    ASSERT_TRUE(watch->Start());
    ASSERT_TRUE(dir.MakeFile("x", "x"));
    ASSERT_TRUE(WaitFor([&] { return watch->ChangeCount() >= 1; }));

    EXPECT_TRUE(DestroyedBefore(std::move(watch), 20s));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(receiver.count, 0);

    // And while idle.
    auto idle = MakeWatch(dir, receiver);
    ASSERT_TRUE(idle->Start());
    EXPECT_TRUE(DestroyedBefore(std::move(idle), 20s));
}

TEST(ChangeWatch, VanishedFolderIsReportedAndTheThreadEnds) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFolder("doomed"));
    ASSERT_TRUE(dir.MakeFile("doomed/inside", "x"));
    Receiver receiver;
    ChangeWatch watch(dir.Join("doomed"), ChangeWatch::Scope::Everything, ChangeWatch::kSettleTime,
                      &receiver, kFolderChanged, kModel);
    ASSERT_TRUE(watch.Start());

    ASSERT_EQ(::unlink(dir.Join("doomed/inside").constData()), 0);
    ASSERT_EQ(::rmdir(dir.Join("doomed").constData()), 0);
    ASSERT_TRUE(WaitFor([&] { return !watch.IsRunning(); }));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(receiver.count, 1);
    watch.Stop();
    watch.Stop();

    // A folder moved away is no longer the watched path either.
    ASSERT_TRUE(dir.MakeFolder("moving"));
    Receiver moved;
    ChangeWatch movingWatch(dir.Join("moving"), ChangeWatch::Scope::FoldersOnly,
                            ChangeWatch::kSettleTime, &moved, kFolderChanged, kModel);
    ASSERT_TRUE(movingWatch.Start());
    ASSERT_EQ(::rename(dir.Join("moving").constData(), dir.Join("moved").constData()), 0);
    ASSERT_TRUE(WaitFor([&] { return !movingWatch.IsRunning(); }));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(moved.count, 1);
}

}  // namespace

namespace {

std::vector<QByteArray> Sorted(std::vector<QByteArray> names) {
    std::sort(names.begin(), names.end());
    return names;
}

// The watch names what changed, each entry once per take, whatever
// happened to it (made, written, renamed, deleted, a folder made); a take
// starts afresh and says what count it covers. A folders-only watch names
// folders only. Names are the kernel's bytes, not text.
TEST(ChangeWatch, NamesTheEntriesThatChanged) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("kept", "k"));
    ASSERT_TRUE(dir.MakeFile("gone", "g"));
    ASSERT_TRUE(dir.MakeFile("old-name", "o"));
    Receiver receiver;
    auto watch = MakeWatch(dir, receiver);
    ASSERT_TRUE(watch->Start());

    ASSERT_TRUE(dir.MakeFile("made", "m"));
    ASSERT_TRUE(dir.MakeFile("made", "mm"));  // written again: still one name
    ASSERT_EQ(::unlink(dir.Join("gone").constData()), 0);
    ASSERT_EQ(::rename(dir.Join("old-name").constData(), dir.Join("new-name").constData()), 0);
    ASSERT_TRUE(dir.MakeFolder("sub"));
    ASSERT_TRUE(dir.MakeFile("caf\xe9", "latin-1"));
    ASSERT_TRUE(WaitFor([&] { return receiver.count >= 1; }));

    ChangeWatch::Changes changes = watch->TakeChanges();
    EXPECT_FALSE(changes.unknown);
    EXPECT_EQ(Sorted(changes.names),
              Sorted({"made", "gone", "old-name", "new-name", "sub", QByteArray("caf\xe9")}));
    EXPECT_EQ(changes.changeCount, watch->ChangeCount());
    EXPECT_TRUE(changes.Any());

    const ChangeWatch::Changes none = watch->TakeChanges();
    EXPECT_FALSE(none.Any());
    EXPECT_EQ(none.changeCount, changes.changeCount);

    // Folders only.
    TestDir other;
    Receiver folderReceiver;
    auto folders = MakeWatch(other, folderReceiver, ChangeWatch::Scope::FoldersOnly);
    ASSERT_TRUE(folders->Start());
    ASSERT_TRUE(other.MakeFile("file", "f"));
    ASSERT_TRUE(other.MakeFolder("folder"));
    ASSERT_TRUE(WaitFor([&] { return folderReceiver.count >= 1; }));
    EXPECT_EQ(folders->TakeChanges().names, std::vector<QByteArray>({"folder"}));
}

// Changes the names can't cover are unknown: the folder itself deleted (or
// moved away), or more names than the watch keeps. Changes that settle
// while the watch is disabled are dropped with their burst.
TEST(ChangeWatch, UnknownChangesAndDisabledBursts) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFolder("watched"));
    Receiver receiver;
    auto watch =
        std::make_unique<ChangeWatch>(dir.Join("watched"), ChangeWatch::Scope::Everything,
                                      ChangeWatch::kSettleTime, &receiver, kFolderChanged, kModel);
    ASSERT_TRUE(watch->Start());

    watch->SetEnabled(false);
    const int settled = watch->SettledCount();
    ASSERT_TRUE(dir.MakeFile("watched/quiet", "q"));
    ASSERT_TRUE(WaitFor([&] { return watch->SettledCount() > settled; }));
    EXPECT_FALSE(watch->TakeChanges().Any()) << "dropped with the burst";
    EXPECT_EQ(receiver.count, 0);
    watch->SetEnabled(true);

    ASSERT_TRUE(dir.MakeFile("watched/loud", "l"));
    ASSERT_EQ(::unlink(dir.Join("watched/quiet").constData()), 0);
    ASSERT_EQ(::unlink(dir.Join("watched/loud").constData()), 0);
    ASSERT_EQ(::rmdir(dir.Join("watched").constData()), 0);
    ASSERT_TRUE(WaitFor([&] { return receiver.count >= 1 && !watch->IsRunning(); }));
    const ChangeWatch::Changes changes = watch->TakeChanges();
    EXPECT_TRUE(changes.unknown);
    EXPECT_TRUE(changes.names.empty());
    EXPECT_TRUE(changes.Any());

    // Too many names to keep.
    TestDir many;
    Receiver manyReceiver;
    auto crowded = MakeWatch(many, manyReceiver);
    ASSERT_TRUE(crowded->Start());
    for (std::size_t i = 0; i <= ChangeWatch::kMaxNames; ++i)
        ASSERT_TRUE(many.MakeFile("f" + QByteArray::number(qulonglong(i))));
    // Every event read: the count has stood still for a second.
    QDeadlineTimer deadline(60000);
    int seen = -1;
    QDeadlineTimer still(1000);
    while (!deadline.hasExpired()) {
        const int now = crowded->ChangeCount();
        if (now != seen) {
            seen = now;
            still.setRemainingTime(1000);
        } else if (still.hasExpired()) {
            break;
        }
        QThread::msleep(20);
    }
    const ChangeWatch::Changes crowd = crowded->TakeChanges();
    EXPECT_TRUE(crowd.unknown);
    EXPECT_TRUE(crowd.names.empty());
}

}  // namespace
