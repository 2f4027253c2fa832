// The volume bar and the volume dialog: the buttons of the volumes, the
// root/current toggle, a tmpfs mounted and unmounted while the bar runs, the
// dialog's caption, preselection, "Nothing was selected" and its result.
#include <sys/mount.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QRadioButton>
#include <QToolButton>
#include <cerrno>
#include <cstring>

#include "FrameFixture.h"
#include "app/DriveBar.h"
#include "app/SelectDriveDialog.h"
#include "platform/fs/Volumes.h"
#include "shell/PathHelpers.h"
#include "support/Wait.h"

namespace {

QStringList MountPoints(const std::vector<VolumeEntry>& volumes) {
    QStringList points;
    for (const VolumeEntry& volume : volumes) points.append(volume.mountPoint);
    return points;
}

// The volume buttons' tooltips in bar order.
QStringList ButtonTips(const DriveBar& bar) {
    QStringList tips;
    for (QAction* action : bar.actions()) {
        const int id = action->data().toInt();
        if (id >= kFirstVolumeCommand && id < kFirstVolumeCommand + kMaxVolumeButtons)
            tips.append(action->toolTip());
    }
    return tips;
}

const char kMountInfo[] =
    "22 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
    "30 22 0:5 / /proc rw - proc proc rw\n"
    "40 22 8:17 / /media/stick rw - vfat /dev/sdb1 rw\n"
    "41 22 0:44 / /srv/data rw - ext4 /dev/sdc1 rw\n";

TEST(VolumeEntries, TheUserVisibleVolumesRootFirstWithTheirNames) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("mountinfo", kMountInfo));
    VolumeSource source{dir.Path() + QStringLiteral("/mountinfo"), QString()};
    const std::vector<VolumeEntry> volumes = ReadVolumeEntries(source);
    EXPECT_EQ(MountPoints(volumes), (QStringList{"/", "/media/stick"}));
    EXPECT_EQ(volumes.front().name, QStringLiteral("/"));
    EXPECT_FALSE(VolumeIcon(DRIVE_FIXED).isNull());
}

class DriveBarTest : public FrameFixture {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        ASSERT_NE(Start(), nullptr);
        bar = frame->GetDriveBar();
        ASSERT_NE(bar, nullptr);
    }
    DriveBar* bar = nullptr;
};

TEST_F(DriveBarTest, OneButtonPerVolumeAndTheToggleChoosesRootOrRememberedFolder) {
    EXPECT_EQ(frame->toolBarArea(bar), Qt::LeftToolBarArea);
    EXPECT_EQ(bar->objectName(), QStringLiteral("DriveBar"));
    ASSERT_FALSE(bar->Volumes().empty());
    EXPECT_EQ(bar->Volumes().front().mountPoint, QStringLiteral("/"));
    QStringList names;
    for (const VolumeEntry& volume : bar->Volumes()) names.append(volume.name);
    EXPECT_EQ(ButtonTips(*bar), names);
    EXPECT_EQ(bar->ToolTipOf(kFirstVolumeCommand), names.front());

    // Root on (the default): the "/" button opens "/".
    EXPECT_TRUE(frame->DriveBar2Root());
    EXPECT_TRUE(frame->Commands().Update(ID_ROOT_CURRENT_TOGGLE).checked);
    ASSERT_TRUE(frame->Commands().Execute(kFirstVolumeCommand));
    EXPECT_EQ(FolderOf(frame->GetLeftPane()), QStringLiteral("/"));

    // Ctrl+Q: the remembered folder of the volume instead.
    ASSERT_TRUE(frame->Commands().Execute(ID_ROOT_CURRENT_TOGGLE));
    EXPECT_FALSE(frame->DriveBar2Root());
    EXPECT_FALSE(frame->Commands().Update(ID_ROOT_CURRENT_TOGGLE).checked);
    const QString volume = VolumeRootOf(rightPath);
    const int index = int(MountPoints(bar->Volumes()).indexOf(volume));
    ASSERT_GE(index, 0) << volume.toStdString();
    TheDriveFolders().RememberFolder(rightPath);
    ASSERT_TRUE(frame->Commands().Execute(kFirstVolumeCommand + index));
    EXPECT_EQ(FolderOf(frame->GetLeftPane()), rightPath);

    // The setting is written at exit.
    Stop();
    EXPECT_EQ(
        ReadStore(QStringLiteral("MainFrame Settings"), QStringLiteral("bDriveBar2Root")).toInt(),
        0);
}

TEST_F(DriveBarTest, TheBarFollowsATmpfsMountedAndUnmountedWhileItRuns) {
    // Visibility of a tmpfs needs x-gvfs-show, which lives in fstab: the bar
    // reads a fixture fstab, the mount itself is real.
    const QString point = QDir::homePath() + QStringLiteral("/cv17-stick");
    ASSERT_TRUE(QDir().mkpath(point));
    ASSERT_TRUE(dir.MakeFile("fstab", "none " + point.toUtf8() + " tmpfs x-gvfs-show 0 0\n"));
    DriveBar watched(*frame, VolumeSource{QStringLiteral("/proc/self/mountinfo"),
                                          dir.Path() + QStringLiteral("/fstab")});
    ASSERT_FALSE(MountPoints(watched.Volumes()).contains(point));

    const QByteArray target = point.toUtf8();
    if (::mount("cv17", target.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "mounting a tmpfs is not allowed here: " << std::strerror(errno);
    struct Unmount {
        QByteArray path;
        ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
    } unmount{target};

    auto waitFor = [&](bool present) {
        return WaitFor([&] { return MountPoints(watched.Volumes()).contains(point) == present; });
    };
    // Nothing is asked of the bar: the mount table's change reaches it.
    ASSERT_TRUE(waitFor(true)) << "the mounted tmpfs did not appear";
    // Without a label, the volume goes by its mount point's name.
    EXPECT_TRUE(ButtonTips(watched).contains(QStringLiteral("cv17-stick")));
    ASSERT_EQ(::umount2(target.constData(), 0), 0) << std::strerror(errno);
    EXPECT_TRUE(waitFor(false)) << "the unmounted tmpfs did not go";
}

TEST_F(DriveBarTest, TheDialogPreselectsThePanesVolumeAndOpensTheChoiceInItsPane) {
    QString caption;
    QString preselected;
    SelectDriveDialog::SetRunner([&](SelectDriveDialog& dialog) {
        caption = dialog.windowTitle();
        preselected = dialog.List()->currentItem()->data(Qt::UserRole).toString();
        // Choose "/" and its root.
        for (int row = 0; row < dialog.List()->count(); ++row) {
            if (dialog.List()->item(row)->data(Qt::UserRole).toString() == QStringLiteral("/"))
                dialog.List()->setCurrentRow(row);
        }
        dialog.RootButton()->setChecked(true);
        dialog.accept();
        return int(dialog.result());
    });
    ASSERT_TRUE(frame->Commands().Execute(ID_DRIVE_RIGHT));
    EXPECT_EQ(caption, QStringLiteral("Select disk drive for Second pane"));
    EXPECT_EQ(preselected, VolumeRootOf(rightPath));
    EXPECT_EQ(FolderOf(frame->GetRightPane()), QStringLiteral("/"));
    EXPECT_EQ(FolderOf(frame->GetLeftPane()), leftPath);

    // Nothing selected: the message, and the dialog stays open.
    bool stayed = false;
    SelectDriveDialog::SetRunner([&](SelectDriveDialog& dialog) {
        dialog.List()->clearSelection();
        dialog.accept();
        stayed = dialog.result() != QDialog::Accepted;
        dialog.reject();
        return int(dialog.result());
    });
    ASSERT_TRUE(frame->Commands().Execute(ID_DRIVE_LEFT));
    SelectDriveDialog::SetRunner(nullptr);
    EXPECT_TRUE(stayed);
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(prompter->Requests()[0].text, kNothingSelected);
    EXPECT_EQ(prompter->Requests()[0].icon, PromptIcon::Warning);
    EXPECT_EQ(FolderOf(frame->GetLeftPane()), leftPath);

    // "bGotoRoot" chosen in the dialog is written at exit.
    Stop();
    EXPECT_EQ(ReadStore(kSelectDriveSection, QStringLiteral("bGotoRoot")).toInt(), 1);
}

TEST(SelectDriveDialogTest, CurrentFolderModeAndTheIconSize) {
    TestDir dir;
    TheDriveFolders().RememberFolder(dir.Path());
    const QString volume = VolumeRootOf(dir.Path());
    std::vector<VolumeEntry> volumes{{volume, QStringLiteral("Disk"), DRIVE_FIXED}};
    DriveDialogSettings settings;
    settings.smallIcons = true;
    SelectDriveDialog dialog(volumes, true, QString(), settings);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Select disk drive for First pane"));
    EXPECT_EQ(dialog.List()->currentRow(), 0);  // no folder: the first entry
    EXPECT_TRUE(dialog.CurrentButton()->isChecked());
    EXPECT_EQ(dialog.List()->viewMode(), QListView::ListMode);
    dialog.IconSizeButton()->click();
    EXPECT_FALSE(settings.smallIcons);
    EXPECT_EQ(dialog.List()->viewMode(), QListView::IconMode);
    dialog.accept();
    EXPECT_EQ(dialog.Result(), dir.Path());
    EXPECT_FALSE(settings.gotoRoot);
}

}  // namespace
