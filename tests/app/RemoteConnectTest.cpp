// Connect to Server and the panes' side of remote mounts: the address is
// checked before anything is mounted, the dialog stays open on a bad one,
// and a pane on a location that went away leaves it with an alert.

#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

#include "FrameFixture.h"
#include "app/RemoteConnect.h"
#include "platform/namespace/NameCodec.h"
#include "platform/remote/RemoteMounts.h"

TEST(RemoteConnect, ChecksTheAddressBeforeConnecting) {
    QString why;
    EXPECT_EQ(CheckServerAddress(QStringLiteral("  sftp://ann@h:2222/home  "), &why),
              QStringLiteral("sftp://ann@h:2222/home"));
    EXPECT_EQ(CheckServerAddress(QStringLiteral("davs://cloud.example/remote.php/dav"), &why),
              QStringLiteral("davs://cloud.example/remote.php/dav"));
    for (const char* bad :
         {"", "   ", "/home/ann", "http://h/", "sftp://", "sftp://h:0x/", "smb:/server/share"}) {
        why.clear();
        EXPECT_FALSE(CheckServerAddress(QString::fromLatin1(bad), &why)) << bad;
        EXPECT_FALSE(why.isEmpty()) << bad;
    }
}

TEST(RemoteConnect, TheDialogStaysOpenOnABadAddressAndOffersTheHistory) {
    ScopedPrompter prompter;
    HistoryList history;
    history.Add(10, QStringLiteral("sftp://old.example/"));
    history.Add(10, QStringLiteral("smb://nas/share"));
    ConnectServerDialog dialog(history, 10, nullptr);
    EXPECT_EQ(dialog.AddressField()->count(), 2);
    EXPECT_EQ(dialog.AddressField()->currentText(), QStringLiteral("smb://nas/share"));

    dialog.AddressField()->setEditText(QStringLiteral("server.example"));
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(prompter->Requests()[0].icon, PromptIcon::Warning);
    EXPECT_TRUE(dialog.Address().isEmpty());

    dialog.AddressField()->setEditText(QStringLiteral(" ftp://files.example/pub "));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Address(), QStringLiteral("ftp://files.example/pub"));
}

using RemoteFrameTest = FrameFixture;

TEST_F(RemoteFrameTest, APaneOnALostMountGoesToTheNetworkFolderWithAnAlert) {
    // The panes follow the mounts from the start (as with a session bus).
    RemoteMounts& mounts = RemoteMounts::Instance();
    ASSERT_TRUE(Start());
    CPanexView* left = frame->GetLeftPane();
    CPanexView* right = frame->GetRightPane();
    ASSERT_EQ(FolderOf(left), leftPath);
    ASSERT_TRUE(left->GoToText(leftPath + QStringLiteral("/sub")));

    // A location whose local folder only starts like the right pane's does
    // not move it; the one that holds the left pane's folder does.
    notices.clear();
    RemoteRoot other{QStringLiteral("sftp://h/"), NameToBytes(rightPath) + "x", QString()};
    Q_EMIT mounts.MountRemoved(other);
    EXPECT_EQ(FolderOf(right), rightPath);
    EXPECT_TRUE(notices.isEmpty());

    RemoteRoot gone{QStringLiteral("sftp://ann@h/"), NameToBytes(leftPath), QString()};
    Q_EMIT mounts.MountRemoved(gone);
    EXPECT_EQ(FolderOf(left), QStringLiteral("::Network"));
    EXPECT_EQ(FolderOf(right), rightPath);
    EXPECT_TRUE(HasNotice(QStringLiteral("sftp://ann@h/ is no longer connected."), true));
}

TEST_F(RemoteFrameTest, CancellingConnectToServerLeavesThePane) {
    ASSERT_TRUE(Start());
    CPanexView* left = frame->GetLeftPane();
    // The dialog is closed as the user would with Cancel.
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QDialog*>(w);
                dialog && w->objectName() == QStringLiteral("ConnectServerDialog"))
                dialog->reject();
        }
    });
    EXPECT_TRUE(frame->Commands().Execute(ID_FILE_CONNECT_SERVER));
    EXPECT_EQ(FolderOf(left), leftPath);
    EXPECT_TRUE(notices.isEmpty());
}
