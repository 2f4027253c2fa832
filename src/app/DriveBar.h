#pragma once
// DriveBar: one button per user-visible volume (the volumes of Computer,
// "/" first), its icon and, as its tooltip, its name; before them the
// root/current toggle (ID_ROOT_CURRENT_TOGGLE, Ctrl+Q, shown pressed while volume buttons go
// to the root) and the network button (ID_GOTO_NETWORK). A volume button opens its
// volume in the active pane: the mount point when the toggle is on, else
// the volume's remembered folder (DriveFolders), the mount point when none
// is remembered. Volume button i runs command 30000 + i.
//
// The bar follows the mount table while the program runs: a volume mounted
// or unmounted (a USB stick plugged in) changes the buttons without a
// restart. MountWatcher tells when; the kernel marks /proc/self/mountinfo
// with a priority event on every change of the table.
//
// With "bDrivebarLetters" (read at start-up) every volume button also shows
// the first letter of its volume's name in upper case.
//
// Main thread only; the frame owns the bar (Qt parent).

#include <QIcon>
#include <QObject>
#include <QString>
#include <QToolBar>
#include <memory>
#include <vector>

#include "platform/namespace/ShellTypes.h"
#include "platform/ui/CommandTarget.h"

class CMainFrame;
class QSocketNotifier;

/// The window text and object name of the bar (its docking-state key).
inline const QString kDriveBarName = QStringLiteral("DriveBar");
inline constexpr int kDriveBarId = 59402;
/// The command of the first volume button.
inline constexpr int kFirstVolumeCommand = 30000;
/// Volume commands reach at most this far (the frame's tooltip range).
inline constexpr int kMaxVolumeButtons = 26;

/// One volume as the bar and the drive dialog show it.
struct VolumeEntry {
    QString mountPoint;
    QString name;  // label, else "/" for the root, else the mount point's name
    DriveType type = DRIVE_FIXED;

    bool operator==(const VolumeEntry& other) const {
        return mountPoint == other.mountPoint && name == other.name && type == other.type;
    }
};

/// Where the volume list is read from; tests point the fstab (whose
/// x-gvfs-show and x-gvfs-hide options decide visibility) at a fixture.
struct VolumeSource {
    QString mountInfoPath = QStringLiteral("/proc/self/mountinfo");
    QString fstabPath = QStringLiteral("/etc/fstab");
};

/// The user-visible volumes, "/" first, then the others in mount order.
std::vector<VolumeEntry> ReadVolumeEntries(const VolumeSource& source = {});

/// The icon of a volume of drive type `type` (the namespace's icons; the
/// style's drive icons before the namespace is ready).
QIcon VolumeIcon(DriveType type);

/// Tells when the mount table changed.
class MountWatcher : public QObject {
    Q_OBJECT

public:
    /// Watches `mountInfoPath`; does nothing when it cannot be opened.
    explicit MountWatcher(const QString& mountInfoPath, QObject* parent = nullptr);
    ~MountWatcher() override;
    bool IsWatching() const { return m_fd >= 0; }

Q_SIGNALS:
    void mountsChanged();

private:
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};

class DriveBar : public QToolBar, public CommandTarget {
    Q_OBJECT

public:
    explicit DriveBar(CMainFrame& frame, VolumeSource source = {});

    /// The volumes the buttons show now, in button order.
    const std::vector<VolumeEntry>& Volumes() const { return m_volumes; }
    /// The tooltip of volume command `id` (30000 + i): its name; empty for
    /// other ids.
    QString ToolTipOf(int id) const;

    /// Reads the volume list again and rebuilds the buttons when it changed.
    void RefreshVolumes();

    /// 30000 + i (the volume buttons) and ID_ROOT_CURRENT_TOGGLE (the root/current toggle).
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

Q_SIGNALS:
    /// After the buttons were rebuilt for a changed volume list.
    void volumesChanged();

private:
    void BuildButtons();
    void OpenVolume(int index);

    CMainFrame& m_frame;
    VolumeSource m_source;
    std::vector<VolumeEntry> m_volumes;
    std::vector<QAction*> m_volumeActions;
    MountWatcher* m_watcher = nullptr;
};
