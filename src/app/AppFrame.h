#pragma once
// The application object's view of the main window.
//
// The main frame is built on top of the application object, so the
// application reaches it through this interface and a factory installed
// before Run() (SetFrameFactory). Start-up calls the hooks in this order:
//
//   Create()                      the frame, its bars and both panes, hidden
//   ApplyPlacement(placement)     the stored place of "MainFrame Settings"
//   SetActivePane(left)           from "bLeftPaneActive"
//   SyncTreeAtStart(keepInSync)   the folder tree's first selection
//   Show()
//
// There is no hint to show file extensions: every name is listed whole here,
// with no setting that hides extensions to point the user at, and the test
// for it ("no item shows an extension") would fire wrongly on folders whose
// names simply have none (a home folder of Desktop, Documents, Music).
//
// Closing: the frame's close handler calls CPanexApp::OnCloseMainWindow()
// when it accepts the close; that asks the editors to close and, with
// "bSaveSettings" on, calls SaveFrameSettings() and then runs the frame
// savers (CPanexApp::FrameSaversList()). The frame object itself is
// destroyed by the application before "General Settings" are written, so
// whatever it writes on destruction is saved too.

#include <functional>
#include <memory>

#include "app/WindowRect.h"

class CPanexApp;
class ProfileStore;
class QWidget;

class AppFrame {
public:
    virtual ~AppFrame() = default;

    /// Creates the frame with its bars and both panes, without showing the
    /// window. False when any part could not be made; start-up then ends.
    virtual bool Create() = 0;
    /// The main window (a QMainWindow); null before Create() succeeded.
    virtual QWidget* MainWindow() const = 0;
    /// Puts the hidden window at its stored place. The default applies the
    /// placement with ApplyWindowPlacement().
    virtual void ApplyPlacement(const WindowPlacement& placement);
    /// Makes the left (true) or the right pane the active one.
    virtual void SetActivePane(bool left) = 0;
    /// The folder tree's first selection: with `keepTreeInSync` the tree
    /// locates the active pane's folder, otherwise it selects and expands
    /// Computer; both only while the tree bar is visible. Nothing by default:
    /// it arrives with the folder tree.
    virtual void SyncTreeAtStart(bool keepTreeInSync) { (void)keepTreeInSync; }
    /// Shows the window.
    virtual void Show() = 0;
    /// Writes the frame's own settings ("MainFrame Settings": window
    /// rectangle, address-bar history, bar sizes and docking, layouts, pane
    /// tiling and sizes, "bLeftPaneActive", command history, tree options).
    /// Called only when "bSaveSettings" is on, before the frame savers.
    virtual void SaveFrameSettings(ProfileStore& store) { (void)store; }
    /// File operations running in the background.
    virtual int OperationsRunning() const { return 0; }
    /// Whether the program may end while they run (asking when `mayAsk`,
    /// cancelling and waiting for them otherwise); true when none runs.
    virtual bool ConfirmOperationsEnd(bool mayAsk) {
        (void)mayAsk;
        return true;
    }
};

/// Makes the main frame for an application object.
using FrameFactory = std::function<std::unique_ptr<AppFrame>(CPanexApp& app)>;

/// Installs the factory start-up uses to make the main frame; gives back the
/// previous one. Without one, start-up fails with a message on stderr.
FrameFactory SetFrameFactory(FrameFactory factory);
/// The installed factory (empty when none).
const FrameFactory& GetFrameFactory();
