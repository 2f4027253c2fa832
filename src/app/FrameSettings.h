#pragma once
// FrameSettings: the main window's own values in "MainFrame Settings" that
// other parts ask about while the program runs: the tiling written at exit
// ("bUpDownPanes"), where the volume buttons go ("bDriveBar2Root") and the
// folder tree's options and hover delay ("binTreeOptions",
// "msTreeAutoCDDelay").
//
// The Load functions read the store; a stored value out of range comes back
// as its default (ClampTreeAutoCDDelay). Writing them is the frame's
// SaveFrameSettings, which keeps the section's order of keys. The values
// themselves are plain: setting one changes nothing else, and the folder
// tree and the volume bar read them at each use.
//
// CMainFrame is one (it derives from it). Main thread only.

#include <QString>

class ProfileStore;

/// Keys of "MainFrame Settings" read or written by the frame.
namespace MainFrameKeys {
inline const QString kUpDownPanes = QStringLiteral("bUpDownPanes");
inline const QString kLeftPaneWidth = QStringLiteral("nLeftPaneWidth");
inline const QString kLeftPaneActive = QStringLiteral("bLeftPaneActive");
inline const QString kToolbarsVersion = QStringLiteral("nToolbarsVersion");
inline const QString kDockState = QStringLiteral("DockState");
inline const QString kDriveBar2Root = QStringLiteral("bDriveBar2Root");
inline const QString kTreeOptions = QStringLiteral("binTreeOptions");
inline const QString kTreeAutoCDDelay = QStringLiteral("msTreeAutoCDDelay");
// Not in the original section: the window comes back maximised, so the pane
// split saved in a maximised window is applied to one of the same size.
inline const QString kMaximized = QStringLiteral("bMaximized");
}  // namespace MainFrameKeys

inline constexpr int kDefaultLeftPaneWidth = 250;
inline constexpr int kMinimumPaneSize = 50;
inline constexpr int kDefaultTreeOptions = 3;
inline constexpr int kDefaultTreeAutoCDDelay = 1500;
inline constexpr int kMinTreeAutoCDDelay = 100;
inline constexpr int kMaxTreeAutoCDDelay = 10000;
/// The docking state is restored only when "nToolbarsVersion" holds this.
inline constexpr int kToolbarsVersion = 1;

/// The tree hover delay as loaded: above 10000 gives 1500, below 100 gives
/// 100.
int ClampTreeAutoCDDelay(int stored);

class FrameSettings {
public:
    /// `sideBySide`: the tiling written at exit ("bUpDownPanes"). The
    /// panes keep the tiling they started with until the next start.
    bool IsSideBySide() const { return m_sideBySide; }
    void SetSideBySide(bool on) { m_sideBySide = on; }
    bool DriveBar2Root() const { return m_driveBar2Root; }
    /// "bDriveBar2Root": volume buttons go to the root (on) or to the
    /// volume's remembered folder (off).
    void SetDriveBar2Root(bool on) { m_driveBar2Root = on; }
    int TreeOptions() const { return m_treeOptions; }
    /// "binTreeOptions"; the folder tree reads them at each use.
    void SetTreeOptions(int bits) { m_treeOptions = bits; }
    int TreeAutoCDDelay() const { return m_treeAutoCDDelay; }

protected:
    FrameSettings() = default;
    ~FrameSettings() = default;

    /// "bUpDownPanes" (0, side by side, when missing).
    void LoadTiling(const ProfileStore& store);
    /// "bDriveBar2Root" (on when missing).
    void LoadDriveBarSetting(const ProfileStore& store);
    /// "binTreeOptions" and "msTreeAutoCDDelay", the delay clamped.
    void LoadTreeSettings(const ProfileStore& store);

    bool m_sideBySide = true;
    bool m_driveBar2Root = true;
    int m_treeOptions = kDefaultTreeOptions;
    int m_treeAutoCDDelay = kDefaultTreeAutoCDDelay;
};
