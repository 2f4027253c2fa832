// Launches run on the threads of the launch group: never on the main
// thread, all of them waited for as a group (as the application does when
// it quits), and a refusal comes back to the main thread.
#include <QProcess>
#include <QThread>
#include <set>

#include "ActivationTestSupport.h"
#include "OversizedArchive.h"
#include "pane/PaneLaunch.h"
#include "platform/archive/ArchiveExtractor.h"
#include "platform/fs/TempCopyFile.h"
#include "platform/thread/ThreadGroup.h"
#include "shell/ShellContext.h"
#include "support/TestDir.h"

namespace {

class PaneLaunchTest : public RealShellTest {};

TEST_F(PaneLaunchTest, LaunchesRunOffTheMainThreadAndEndWithTheirGroup) {
    TestDir dir;
    QStringList names;
    for (int i = 0; i < 3; ++i) {
        names.append(QStringLiteral("doc%1.txt").arg(i));
        ASSERT_TRUE(dir.MakeFile(names.last().toUtf8(), "text"));
    }
    QMutex mutex;
    std::set<QString> launched;
    bool onMainThread = false;
    QThread* const mainThread = QThread::currentThread();
    SetShellLaunchHook([&](const IdList& id) {
        QMutexLocker lock(&mutex);
        launched.insert(AbsoluteDisplayName(id, SHGDN_FORPARSING).value_or(QString()));
        onMainThread = onMainThread || QThread::currentThread() == mainThread;
        return true;
    });
    for (const QString& name : names) {
        IdList id = ParsePath(dir.Path() + QLatin1Char('/') + name);
        ASSERT_FALSE(id.IsNull()) << name.toStdString();
        EXPECT_TRUE(LaunchInBackground(std::move(id)));
    }
    // No event loop is needed: waiting for the group is enough to see every
    // launch done.
    EXPECT_TRUE(LaunchThreads().WaitAll());
    SetShellLaunchHook({});
    EXPECT_EQ(LaunchThreads().Running(), 0u);
    EXPECT_FALSE(onMainThread);
    std::set<QString> expected;
    for (const QString& name : names) expected.insert(dir.Path() + QLatin1Char('/') + name);
    EXPECT_EQ(launched, expected);

    // Nothing to open: no thread at all.
    bool called = false;
    EXPECT_FALSE(OpenEntryInBackground(IdList(), [&](const QString&) { called = true; }));
    EXPECT_FALSE(OpenEntryInBackground(IdList::Empty(), [&](const QString&) { called = true; }));
    EXPECT_EQ(LaunchThreads().Running(), 0u);
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
}

TEST_F(PaneLaunchTest, AnArchiveEntrysRefusalReachesTheMainThreadOnce) {
    TestDir dir;
    const OversizedArchive archive(dir);
    ASSERT_TRUE(archive.made);

    IdList entry = ParsePath(dir.Path() + QStringLiteral("/pack.tar/big.txt"));
    ASSERT_FALSE(entry.IsNull());
    QStringList reasons;
    bool offMainThread = false;
    QThread* const mainThread = QThread::currentThread();
    EXPECT_TRUE(OpenEntryInBackground(std::move(entry), [&](const QString& why) {
        offMainThread = offMainThread || QThread::currentThread() != mainThread;
        reasons.append(why);
    }));
    EXPECT_TRUE(LaunchThreads().WaitAll());
    // The refusal is posted before its thread ends, and delivered by the
    // event loop.
    EXPECT_TRUE(reasons.isEmpty());
    QCoreApplication::processEvents();
    ASSERT_EQ(reasons.size(), 1);
    EXPECT_FALSE(offMainThread);
    EXPECT_EQ(reasons[0], OverExtractLimitText(300000, MaxExtractSize()));
    EXPECT_TRUE(QDir(dir.Path() + "/tmp").isEmpty());
}

}  // namespace
