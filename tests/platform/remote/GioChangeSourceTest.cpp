// A folder's changes through GIO's directory monitor (GioChangeSource),
// taken by the change watch in place of inotify: a test folder stands in
// for a remote one, named by its "file://" URI, so that GIO's local
// monitor reports the changes.
#include <gtest/gtest.h>
#include <stdio.h>

#include <QCoreApplication>
#include <QObject>
#include <algorithm>

#include "platform/remote/GioChangeSource.h"
#include "platform/watch/ChangeSource.h"
#include "platform/watch/ChangeWatch.h"
#include "support/TestDir.h"
#include "support/Wait.h"

namespace {

constexpr int kFolderChanged = 32770;

QByteArray g_watched;
QString g_scheme = "file";

std::unique_ptr<ChangeSource> TestSource(const QByteArray& path) {
    if (path != g_watched)
        return nullptr;
    return OpenGioChangeSource(g_scheme + QStringLiteral("://") +
                               QString::fromLatin1(path.toPercentEncoding("/")));
}

class Receiver : public QObject {
public:
    int count = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() != QEvent::Type(kFolderChanged))
            return QObject::event(e);
        ++count;
        return true;
    }
};

bool Has(const std::vector<QByteArray>& names, const QByteArray& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

class GioChangeSourceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { qputenv("GIO_USE_VFS", "local"); }
    void SetUp() override {
        g_watched = dir.Join("watched");
        g_scheme = QStringLiteral("file");
        ASSERT_TRUE(dir.MakeFolder("watched"));
        SetChangeSourceFactory(&TestSource);
    }
    void TearDown() override { SetChangeSourceFactory(nullptr); }
    std::unique_ptr<ChangeWatch> Watch() {
        return std::make_unique<ChangeWatch>(g_watched, ChangeWatch::Scope::Everything,
                                             ChangeWatch::kSettleTime, &receiver, kFolderChanged,
                                             0);
    }
    // Makes files until the watch sees one (the monitor is set up on the
    // source's own thread, so the first ones may come before it listens),
    // then waits for the settled report.
    bool MakeFilesUntilReported(const ChangeWatch& watch, QByteArray* last) {
        int made = 0;
        const bool seen = WaitFor([&] {
            if (watch.ChangeCount() > 0)
                return true;
            *last = "made-" + QByteArray::number(made++);
            dir.MakeFile("watched/" + *last, "x");
            return false;
        });
        return seen && WaitFor([&] { return receiver.count > 0; });
    }
    TestDir dir;
    Receiver receiver;
};

}  // namespace

// A source-only watch reports what GIO sees: a file made, then a rename
// (both of its names), then the folder itself going, after which the
// watch ends by itself.
TEST_F(GioChangeSourceTest, ReportsChangesAndTheFolderGoing) {
    auto watch = Watch();
    ASSERT_TRUE(watch->Start(ChangeWatch::Watcher::SourceOnly));
    QByteArray made;
    ASSERT_TRUE(MakeFilesUntilReported(*watch, &made));
    EXPECT_TRUE(Has(watch->TakeChanges().names, made));

    const int before = receiver.count;
    ASSERT_EQ(
        ::rename(dir.Join("watched/" + made).constData(), dir.Join("watched/renamed").constData()),
        0);
    ASSERT_TRUE(WaitFor([&] { return receiver.count > before; }));
    const ChangeWatch::Changes renamed = watch->TakeChanges();
    EXPECT_FALSE(renamed.unknown);
    EXPECT_TRUE(Has(renamed.names, "renamed"));
    EXPECT_TRUE(Has(renamed.names, made));

    const int beforeGone = receiver.count;
    ASSERT_EQ(std::system(("rm -rf '" + g_watched + "'").constData()), 0);
    ASSERT_TRUE(WaitFor([&] { return receiver.count > beforeGone && !watch->IsRunning(); }));
    EXPECT_TRUE(watch->TakeChanges().unknown);
}

// Where the backend has no monitor (a scheme nothing serves stands in for
// GVfs's sftp): a source-only watch ends without an event, a watch that
// may use inotify goes on with it and reports the change.
TEST_F(GioChangeSourceTest, ABackendWithoutMonitorEndsOrFallsBack) {
    g_scheme = QStringLiteral("corvane-nowhere");
    auto sourceOnly = Watch();
    ASSERT_TRUE(sourceOnly->Start(ChangeWatch::Watcher::SourceOnly));
    ASSERT_TRUE(WaitFor([&] { return !sourceOnly->IsRunning(); }));

    auto any = Watch();
    ASSERT_TRUE(any->Start(ChangeWatch::Watcher::Any));
    QByteArray made;
    ASSERT_TRUE(MakeFilesUntilReported(*any, &made));
    EXPECT_TRUE(Has(any->TakeChanges().names, made));
    EXPECT_TRUE(any->IsRunning());
    EXPECT_EQ(sourceOnly->SettledCount(), 0);

    // Without a source, a source-only watch does not start at all.
    SetChangeSourceFactory(nullptr);
    EXPECT_FALSE(Watch()->Start(ChangeWatch::Watcher::SourceOnly));
}
