#pragma once
// CPanexApp: the application object. It owns the QApplication, the settings
// store of the run's profile, the main frame and the run-wide state (the
// command line's start folders, the temporary file paths, the open editors),
// and it fixes the order of start-up and shut-down.
//
// One object per process. Run() is the whole life of the program:
//
//   InitInstance()   1-4  company key "Quorvelt Plc"
//                    5    the command line: profile switch, start folders;
//                         then the store of the profile is opened
//                    7    "General Settings" (LoadGeneralSettings)
//                    8    the process-wide shell context
//                    9    the main frame, hidden (through the frame factory)
//                    10   its stored place ("MainFrame Settings")
//                    11   the active pane ("bLeftPaneActive")
//                    12   the folder tree's first selection
//                    13   the hint about hidden extensions
//                    14   show
//   event loop       idle work on a timer; the session's end saves as
//                    closing does
//   ExitInstance()   the frame is destroyed, the temporary files deleted,
//                    "General Settings" and every used subsystem's settings
//                    saved, the store flushed
//
// Everything runs on the main thread.

#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <vector>

#include "app/AppFrame.h"
#include "app/CommandLine.h"
#include "app/FontRecord.h"
#include "app/RunningEditor.h"
#include "app/SettingsSavers.h"
#include "app/WindowRect.h"

class ProfileStore;
class QApplication;

/// The company key of the settings store.
inline const QString kCompanyName = QStringLiteral("Quorvelt Plc");
/// The section of the main window's settings.
inline const QString kMainFrameSection = QStringLiteral("MainFrame Settings");
/// When set, the store file used instead of the profile's own (tests and
/// scripted runs point it at a temporary file).
inline constexpr const char* kProfileFileVariable = "CORVANE_PROFILE_FILE";

class CPanexApp {
public:
    /// Makes the QApplication from argc/argv, unless one exists already (a
    /// test's), in which case that one is used and left alone. Qt takes its
    /// own options (such as "-platform") out of argv first; the remaining
    /// arguments are the program's command line, read as bytes.
    /// The store file is `storeFilePath` when given, else the file named by
    /// $CORVANE_PROFILE_FILE when set, else the profile's file
    /// (ProfileStore::DefaultFilePath(company, profile name)).
    CPanexApp(int& argc, char** argv, const QString& storeFilePath = QString());
    ~CPanexApp();
    CPanexApp(const CPanexApp&) = delete;
    CPanexApp& operator=(const CPanexApp&) = delete;

    /// The one application object, or null when none exists.
    static CPanexApp* Instance();

    /// InitInstance(), the event loop, ExitInstance(). Gives the exit status:
    /// 1 when start-up failed (a message on stderr says why), else the event
    /// loop's.
    int Run();

    /// Start-up in the fixed order (see above). False when it failed: no
    /// frame factory installed (nothing is shown), or the frame could not be
    /// created. Nothing is written to the store by a failed start-up.
    bool InitInstance();
    /// Shut-down: destroys the frame and the open editors, deletes the
    /// temporary files that were made (errors are ignored), saves the
    /// settings (SaveGeneralSettings) and flushes the store. Does only the
    /// clean-up after a failed start-up. Runs once; a second call does
    /// nothing. Gives the exit status to use (0).
    int ExitInstance();
    /// Idle work: drops the editors whose windows have closed. Runs on a
    /// short timer while editors are open.
    void OnIdle();

    // -- The command line -------------------------------------------------

    /// The command line read at start-up (empty before).
    const CommandLine& Arguments() const { return m_commandLine; }
    /// The start folders: left pane's, then right pane's (at most two).
    const QStringList& StartFolders() const { return m_commandLine.startFolders; }
    /// "Corvane" plus the profile suffix.
    QString ProfileName() const { return m_commandLine.ProfileName(); }

    /// Always true: hard links and the console preamble are available.
    bool isNT = true;
    /// The options dialog's page shown last (for the run only).
    int lastOptionsPage = 0;

    // -- The settings store ----------------------------------------------

    /// The store of the run's profile. Valid once start-up has opened it.
    ProfileStore& Store();
    bool HasStore() const { return m_store != nullptr; }

    /// Reads "General Settings" into General() with defaults and clamps.
    void LoadGeneralSettings();
    /// Writes "bSaveSettings", always; when it is on, then the other keys of
    /// "General Settings" and the registered subsystem savers in slot order.
    /// Does not flush.
    void SaveGeneralSettings();

    /// The savers of the subsystems, run by SaveGeneralSettings. A subsystem
    /// registers when it first loads its settings.
    SubsystemSavers& Savers() { return m_savers; }
    void RegisterSaver(SaverSlot slot, SettingsSaver saver) {
        m_savers.Register(slot, std::move(saver));
    }
    /// The main window's savers, run when it closes with "bSaveSettings" on,
    /// after AppFrame::SaveFrameSettings().
    FrameSavers& FrameSaversList() { return m_frameSavers; }
    void AddFrameSaver(SettingsSaver saver) { m_frameSavers.Add(std::move(saver)); }

    // -- Records other sections reuse (see WindowRect.h, FontRecord.h) ----

    WindowRect ReadWindowRect(const QString& section) const;
    void WriteWindowRect(const QString& section, const WindowRect& rect);
    /// The placement for a window stored in `section`, relative to the main
    /// window (GetStoredPlacement in WindowRect.h).
    WindowPlacement GetStoredPlacement(const QString& section) const;
    CharFormat ReadFontRecord(const QString& section) const;
    void WriteFontRecord(const QString& section, const CharFormat& format);

    // -- The main frame ----------------------------------------------------

    /// The main frame; null until start-up has created it and after shut-down.
    AppFrame* Frame() const { return m_frame.get(); }
    /// The main window's closing: asks every open editor to close and, when
    /// "bSaveSettings" is on, saves the frame (AppFrame::SaveFrameSettings,
    /// then the frame savers). The frame calls it from its close handler
    /// once it accepts the close. The event loop ends when the last window
    /// has closed, so an editor that stays open (its user kept unsaved
    /// changes) keeps the run going until it closes.
    void OnCloseMainWindow();

    // -- Editors -------------------------------------------------------------

    /// Opens `path` in the editor: the external one when it is configured
    /// and asked for (WantsExternalEditor, Ctrl from the key state), else the
    /// internal one. A failed external start asks "There was an error
    /// launching the external editor\n<command>\nUse the internal applet
    /// instead?": No gives false; Yes turns "bUzeExternalEditor" off (saved
    /// at exit) and opens the internal editor. The internal editor needs an
    /// installed launcher; without one, or when it fails, the exclamation
    /// beep sounds and the result is false. True when an editor started.
    bool OpenInEditor(const QString& path, bool viewOnly);
    /// Installs the internal editor; gives back the previous launcher.
    EditorLauncher SetEditorLauncher(EditorLauncher launcher);
    /// True when the internal editor is installed.
    bool HasEditorLauncher() const { return bool(m_editorLauncher); }
    /// The editors in the list (open, or closed and not yet swept).
    std::size_t EditorCount() const { return m_editors.size(); }

    // -- Temporary files ---------------------------------------------------

    /// The directory-listing file: the temporary folder joined with
    /// "CvDirListing". Fixed at the first call and reused; the file is
    /// deleted at exit. Only the path is made here: whoever writes the file
    /// creates it.
    QString GetDirListingPath();
    /// The temporary batch script: the temporary folder joined with
    /// "CvTmpBatch.sh". Fixed at the first call, deleted at exit.
    QString GetTempBatchPath();

private:
    void SetRegistryKey(const QString& company);
    void ReadCommandLine();
    void OpenStore();
    bool CreateFrame();
    void SaveOnClose();
    void AskEditorsToClose();
    void DeleteTemporaryFiles();
    void OnCommitDataRequest();
    void OnAboutToQuit();

    std::unique_ptr<QApplication> m_ownedApplication;
    QStringList m_arguments;  // after the program name, decoded from bytes
    QString m_storeFileOverride;
    QString m_company;
    CommandLine m_commandLine;
    std::unique_ptr<ProfileStore> m_store;
    std::unique_ptr<AppFrame> m_frame;
    SubsystemSavers m_savers;
    FrameSavers m_frameSavers;
    EditorLauncher m_editorLauncher;
    std::vector<std::unique_ptr<RunningEditor>> m_editors;
    std::unique_ptr<QTimer> m_idleTimer;
    QString m_dirListingPath;
    QString m_tempBatchPath;
    bool m_started = false;
    bool m_closeSaved = false;
    bool m_exited = false;
};
