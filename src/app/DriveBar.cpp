#include "app/DriveBar.h"

#include <fcntl.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QSocketNotifier>
#include <QStyle>

#include "app/CMainFrame.h"
#include "pane/CPanexView.h"
#include "platform/fs/Volumes.h"
#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/NameCodec.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "shell/PathHelpers.h"
#include "shell/ShellContext.h"

std::vector<VolumeEntry> ReadVolumeEntries(const VolumeSource& source) {
    const VolumeTable table = VolumeTable::Read(source.mountInfoPath, source.fstabPath);
    std::vector<VolumeEntry> entries;
    for (const MountEntry& mount : table.UserVisible()) {
        VolumeEntry entry;
        entry.mountPoint = NameFromBytes(mount.mountPoint);
        entry.name = table.DisplayNameOf(mount);
        entry.type = table.DriveTypeOfMount(mount);
        entries.push_back(std::move(entry));
    }
    return entries;
}

QIcon VolumeIcon(DriveType type) {
    int index = IconRegistry::DriveIcon;
    QStyle::StandardPixmap fallback = QStyle::SP_DriveHDIcon;
    switch (type) {
        case DRIVE_REMOVABLE:
            index = IconRegistry::RemovableDriveIcon;
            fallback = QStyle::SP_DriveFDIcon;
            break;
        case DRIVE_REMOTE:
            index = IconRegistry::RemoteDriveIcon;
            fallback = QStyle::SP_DriveNetIcon;
            break;
        case DRIVE_CDROM:
            index = IconRegistry::OpticalDriveIcon;
            fallback = QStyle::SP_DriveCDIcon;
            break;
        default:
            break;
    }
    if (EnsureShellContext() && TheShellContext().images) {
        const QIcon icon = TheShellContext().images->Icon(index);
        if (!icon.isNull())
            return icon;
    }
    return QApplication::style()->standardIcon(fallback);
}

// -- MountWatcher -------------------------------------------------------------------

MountWatcher::MountWatcher(const QString& mountInfoPath, QObject* parent) : QObject(parent) {
    m_fd = ::open(NameToBytes(mountInfoPath).constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        return;
    // The kernel reports a change of the table as an exceptional condition
    // (POLLPRI) on an open mountinfo; polling it acknowledges the change.
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Exception, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { Q_EMIT mountsChanged(); });
}

MountWatcher::~MountWatcher() {
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

// -- DriveBar --------------------------------------------------------------------------

DriveBar::DriveBar(CMainFrame& frame, VolumeSource source)
    : QToolBar(kDriveBarName, &frame), m_frame(frame), m_source(std::move(source)) {
    setObjectName(kDriveBarName);
    setProperty("barId", kDriveBarId);
    setIconSize(QSize(16, 16));
    if (General().drivebarLetters)
        setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_volumes = ReadVolumeEntries(m_source);
    BuildButtons();
    m_watcher = new MountWatcher(m_source.mountInfoPath, this);
    connect(m_watcher, &MountWatcher::mountsChanged, this, [this] { RefreshVolumes(); });
}

QString DriveBar::ToolTipOf(int id) const {
    const int index = id - kFirstVolumeCommand;
    if (index < 0 || index >= int(m_volumes.size()))
        return QString();
    return m_volumes[std::size_t(index)].name;
}

void DriveBar::RefreshVolumes() {
    std::vector<VolumeEntry> now = ReadVolumeEntries(m_source);
    if (now == m_volumes)
        return;
    m_volumes = std::move(now);
    BuildButtons();
    Q_EMIT volumesChanged();
}

void DriveBar::BuildButtons() {
    clear();
    // The volume actions are the bar's own; the command actions are shared
    // with the menus and stay. Later, as a change of the mount table may be
    // noticed while one of them is being triggered.
    for (QAction* action : m_volumeActions) action->deleteLater();
    m_volumeActions.clear();
    const bool letters = General().drivebarLetters;
    for (int id : {ID_ROOT_CURRENT_TOGGLE, 0, ID_GOTO_NETWORK, 0}) {
        if (id == 0) {
            addSeparator();
            continue;
        }
        if (QAction* action = m_frame.Commands().Action(id)) {
            // The toggle and the network have no picture of their own in the
            // command table.
            if (action->icon().isNull())
                action->setIcon(QApplication::style()->standardIcon(
                    id == ID_GOTO_NETWORK ? QStyle::SP_DriveNetIcon : QStyle::SP_DirHomeIcon));
            addAction(action);
            m_frame.Commands().SetToolbarCommand(id);
        }
    }
    const int count = std::min<int>(int(m_volumes.size()), kMaxVolumeButtons);
    for (int i = 0; i < count; ++i) {
        const VolumeEntry& volume = m_volumes[std::size_t(i)];
        auto* action = new QAction(VolumeIcon(volume.type), volume.name, this);
        action->setToolTip(volume.name);
        action->setStatusTip(volume.mountPoint);
        action->setData(kFirstVolumeCommand + i);
        action->setIconText(letters && !volume.name.isEmpty() ? volume.name.left(1).toUpper()
                                                              : QString());
        connect(action, &QAction::triggered, this,
                [this, i] { m_frame.Commands().Execute(kFirstVolumeCommand + i); });
        addAction(action);
        m_volumeActions.push_back(action);
    }
}

void DriveBar::OpenVolume(int index) {
    if (index < 0 || index >= int(m_volumes.size()))
        return;
    CPanexView* pane = m_frame.GetActivePane();
    if (!pane)
        return;
    const QString& mountPoint = m_volumes[std::size_t(index)].mountPoint;
    const QString path = m_frame.DriveBar2Root()
                             ? mountPoint
                             : TheDriveFolders().FolderOf(mountPoint).value_or(mountPoint);
    pane->GoToText(path);
}

bool DriveBar::OnCommand(int id) {
    if (InRange(id, kFirstVolumeCommand, kFirstVolumeCommand + kMaxVolumeButtons - 1)) {
        OpenVolume(id - kFirstVolumeCommand);
        return true;
    }
    if (id == ID_ROOT_CURRENT_TOGGLE) {
        m_frame.SetDriveBar2Root(!m_frame.DriveBar2Root());
        return true;
    }
    return false;
}

bool DriveBar::OnUpdateCommand(int id, CommandState& state) {
    if (InRange(id, kFirstVolumeCommand, kFirstVolumeCommand + kMaxVolumeButtons - 1)) {
        state.Enable(id - kFirstVolumeCommand < int(m_volumes.size()));
        return true;
    }
    if (id == ID_ROOT_CURRENT_TOGGLE) {
        state.SetCheck(m_frame.DriveBar2Root());
        return true;
    }
    return false;
}
