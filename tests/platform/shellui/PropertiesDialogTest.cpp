#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>
#include <map>

#include "platform/fs/DirectorySizeCounter.h"
#include "platform/shellui/PropertiesDialog.h"
#include "support/TestDir.h"

namespace {

QString Bytes(std::uint64_t n) {
    return QStringLiteral("(%1 bytes)").arg(QLocale::system().toString(qulonglong(n)));
}

bool WaitForCount(PropertiesDialog& dialog) {
    if (!dialog.IsCounting())
        return true;
    QSignalSpy finished(&dialog, &PropertiesDialog::CountingFinished);
    return finished.wait(10000);
}

}  // namespace

TEST(PropertiesDialog, TotalsAFolderTreeWithoutFollowingLinks) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("tree/a", QByteArray(100, 'a')));
    ASSERT_TRUE(dir.MakeFile("tree/sub/b", QByteArray(200, 'b')));
    ASSERT_TRUE(dir.MakeFile("tree/sub/deeper/c", QByteArray(300, 'c')));
    ASSERT_TRUE(dir.MakeFolder("tree/empty"));
    // A second name of c counts as a file, but its bytes only once.
    ASSERT_EQ(::link(dir.Join("tree/sub/deeper/c").constData(), dir.Join("tree/c2").constData()),
              0);
    // A link counts its own size, never what it points at.
    ASSERT_TRUE(dir.MakeFile("big", QByteArray(5000, 'x')));
    ASSERT_TRUE(dir.MakeSymlink("tree/link", dir.Join("big")));
    const std::uint64_t linkSize = dir.Join("big").size();

    PropertiesDialog dialog({dir.Join("tree")});
    ASSERT_TRUE(WaitForCount(dialog));
    EXPECT_FALSE(dialog.IsCounting());
    EXPECT_EQ(dialog.CountTotals().bytes, 600 + linkSize);
    EXPECT_EQ(dialog.CountTotals().files, 5u);
    EXPECT_EQ(dialog.CountTotals().folders, 3u);
    EXPECT_TRUE(dialog.FieldText(PropertiesDialog::Field::Size).contains(Bytes(600 + linkSize)))
        << dialog.FieldText(PropertiesDialog::Field::Size).toStdString();
    EXPECT_EQ(dialog.FieldText(PropertiesDialog::Field::Contains), "5 files, 3 folders");
    EXPECT_EQ(dialog.FieldText(PropertiesDialog::Field::Name), "tree");
    EXPECT_EQ(dialog.FieldText(PropertiesDialog::Field::Location), dir.Path());

    // Several items: files and folders together.
    PropertiesDialog both({dir.Join("big"), dir.Join("tree/sub")});
    ASSERT_TRUE(WaitForCount(both));
    EXPECT_EQ(both.CountTotals().bytes, 5000u + 500u);
    EXPECT_EQ(both.FieldText(PropertiesDialog::Field::Name), "2 items");
    EXPECT_EQ(both.FieldText(PropertiesDialog::Field::Location), "Several folders");
    EXPECT_TRUE(both.FieldText(PropertiesDialog::Field::Modified).isEmpty());
}

TEST(PropertiesDialog, CountStopsOnRequest) {
    TestDir dir;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(dir.MakeFile("tree/f" + QByteArray::number(i) + "/x", "12345"));
    }
    // The worker looks at the flag before every entry: stopped at its first
    // report, it goes no further.
    auto stop = std::make_shared<std::atomic<bool>>(false);
    DirectorySizeWorker worker(stop);
    int reports = 0;
    QObject::connect(
        &worker, &DirectorySizeWorker::Progress, &worker,
        [&](const DirectoryTotals&) {
            ++reports;
            stop->store(true);
        },
        Qt::DirectConnection);
    DirectoryTotals result;
    bool stopped = false;
    QObject::connect(
        &worker, &DirectorySizeWorker::Finished, &worker,
        [&](const DirectoryTotals& totals, bool s) {
            result = totals;
            stopped = s;
        },
        Qt::DirectConnection);
    worker.Count({dir.Join("tree")});
    EXPECT_TRUE(stopped);
    EXPECT_EQ(reports, 1);
    EXPECT_LT(result.files, 4u);

    // Unstopped, the same tree is counted whole.
    stop->store(false);
    QObject::disconnect(&worker, &DirectorySizeWorker::Progress, nullptr, nullptr);
    worker.Count({dir.Join("tree")});
    EXPECT_FALSE(stopped);
    EXPECT_EQ(result.files, 4u);
    EXPECT_EQ(result.bytes, 20u);

    // Through the counter: a stop request always ends in Finished.
    DirectorySizeCounter counter;
    QSignalSpy finished(&counter, &DirectorySizeCounter::Finished);
    counter.Start({dir.Join("tree")});
    counter.Stop();
    ASSERT_TRUE(finished.count() > 0 || finished.wait(10000));
    EXPECT_FALSE(counter.IsRunning());
}

TEST(PropertiesDialog, ShowsAFileAndChangesItsPermissions) {
    TestDir dir;
    const std::int64_t mtime = 1700000000;
    ASSERT_TRUE(dir.MakeFile("notes.txt", "hello", mtime));
    ASSERT_TRUE(dir.SetMode("notes.txt", 0644));
    PropertiesDialog dialog({dir.Join("notes.txt")});
    EXPECT_FALSE(dialog.IsCounting());
    EXPECT_EQ(dialog.FieldText(PropertiesDialog::Field::Name), "notes.txt");
    EXPECT_FALSE(dialog.FieldText(PropertiesDialog::Field::Kind).isEmpty());
    EXPECT_NE(dialog.FieldText(PropertiesDialog::Field::Kind), "text/plain");
    EXPECT_TRUE(dialog.FieldText(PropertiesDialog::Field::Size).contains(Bytes(5)));
    EXPECT_EQ(dialog.FieldText(PropertiesDialog::Field::Modified),
              QLocale::system().toString(QDateTime::fromSecsSinceEpoch(mtime).toLocalTime(),
                                         QLocale::LongFormat));
    EXPECT_FALSE(dialog.FieldText(PropertiesDialog::Field::Created).isEmpty());
    EXPECT_TRUE(
        dialog.FieldText(PropertiesDialog::Field::Owner).contains(QString::number(::geteuid())));
    EXPECT_TRUE(dialog.FieldText(PropertiesDialog::Field::LinkTarget).isEmpty());

    ASSERT_TRUE(dialog.PermissionsEditable());
    EXPECT_EQ(dialog.PermissionBits(), 0644u);
    dialog.SetPermission(0100, true);
    dialog.SetPermission(0004, false);
    dialog.SetPermission(0040, false);
    EXPECT_TRUE(dialog.Apply()) << dialog.ErrorText().toStdString();
    struct stat st;
    ASSERT_EQ(::stat(dir.Join("notes.txt").constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);

    // The file went away meanwhile: the failure is told, nothing is made.
    dialog.SetPermission(0040, true);
    ASSERT_EQ(::unlink(dir.Join("notes.txt").constData()), 0);
    EXPECT_FALSE(dialog.Apply());
    EXPECT_FALSE(dialog.ErrorText().isEmpty());
    EXPECT_FALSE(dir.Exists("notes.txt"));
}

TEST(PropertiesDialog, LinksShowTheirTargetAndNoPermissions) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("target.txt", "t"));
    ASSERT_TRUE(dir.SetMode("target.txt", 0600));
    ASSERT_TRUE(dir.MakeSymlink("link", "target.txt"));
    PropertiesDialog dialog({dir.Join("link")});
    EXPECT_EQ(dialog.FieldText(PropertiesDialog::Field::LinkTarget), "target.txt");
    EXPECT_FALSE(dialog.PermissionsEditable());
    dialog.SetPermission(0004, true);
    EXPECT_TRUE(dialog.Apply());
    struct stat st;
    ASSERT_EQ(::stat(dir.Join("target.txt").constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // the target is left alone
}

TEST(PropertiesDialog, DescribedItemsAndMissingItems) {
    FileDescriptor entry;
    entry.name = QStringLiteral("inside.txt");
    entry.flags = FD_FILESIZE | FD_WRITESTIME;
    entry.size = 42;
    entry.times[kTimeModified] = FileTimeFromTimespec(1600000000, 0);
    PropertiesDialog dialog(std::vector<FileDescriptor>{entry}, QStringLiteral("/a.zip/docs"));
    EXPECT_EQ(dialog.FieldText(PropertiesDialog::Field::Name), "inside.txt");
    EXPECT_EQ(dialog.FieldText(PropertiesDialog::Field::Location), "/a.zip/docs");
    EXPECT_TRUE(dialog.FieldText(PropertiesDialog::Field::Size).contains(Bytes(42)));
    EXPECT_EQ(dialog.FieldText(PropertiesDialog::Field::Created), "<n/a>");
    EXPECT_NE(dialog.FieldText(PropertiesDialog::Field::Modified), "<n/a>");
    EXPECT_TRUE(dialog.FieldText(PropertiesDialog::Field::Owner).isEmpty());

    TestDir dir;
    EXPECT_FALSE(ShowPropertiesDialog({dir.Join("gone")}, nullptr));
    EXPECT_FALSE(ShowPropertiesDialog({}, nullptr));
    EXPECT_FALSE(ShowDescribedPropertiesDialog({}, QString(), nullptr));
}

// At the size it opens with, every word of the permissions grid is shown
// whole and each check box stands under its own column's word, apart from
// its neighbours.
TEST(PropertiesDialog, ThePermissionsGridIsReadableAtTheDefaultSize) {
    TestDir dir;
    ASSERT_TRUE(
        dir.MakeFile("a rather long file name that wants some room to be read in full.txt", "x"));
    PropertiesDialog dialog(
        {dir.Join("a rather long file name that wants some room to be read in full.txt")});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    std::map<QString, QLabel*> headers;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->isVisible())
            EXPECT_GE(label->width(), std::min(label->sizeHint().width(), label->maximumWidth()))
                << label->text().toStdString();
        headers[label->text()] = label;
    }
    const QList<QCheckBox*> boxes = dialog.findChildren<QCheckBox*>();
    ASSERT_EQ(boxes.size(), 9);
    const char* const columns[] = {"Read", "Write", "Run"};
    for (int i = 0; i < 9; ++i) {
        QLabel* header = headers[QString::fromLatin1(columns[i % 3])];
        ASSERT_NE(header, nullptr);
        const QRect box = boxes[i]->geometry();
        const QRect word(header->mapTo(&dialog, QPoint(0, 0)), header->size());
        const QRect boxInDialog(boxes[i]->mapTo(&dialog, QPoint(0, 0)), box.size());
        EXPECT_LT(std::abs(word.center().x() - boxInDialog.center().x()), word.width() / 2 + 2)
            << "box " << i << " is not under " << columns[i % 3];
        for (int j = 0; j < i; ++j) {
            const QRect other(boxes[j]->mapTo(&dialog, QPoint(0, 0)), boxes[j]->size());
            EXPECT_FALSE(boxInDialog.intersects(other)) << i << " overlaps " << j;
        }
    }
    EXPECT_GE(dialog.width(), dialog.fontMetrics().averageCharWidth() * 76);
}
