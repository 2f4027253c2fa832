#pragma once
// CFindFiles: the command "&Find files..." (ID_FIND_FILES, Ctrl+F). The frame puts
// it into its command chain after the panes' tools. The command opens
// "Find files or folders" with the active pane's folder as the look-in
// value; "&Find" creates a results window (FindResultsWindow.h) that runs
// the search. Any number of results windows may be open; each is
// independent and deletes itself when closed.
//
// Settings: the first dialog of the run loads the criteria of "Find
// File/Folder Settings" and the look-in history (and, through the loader
// the owner gives, "Grep Settings" with their histories, which the text
// scan owns) and hands the saver to the registrar; so the section is
// written at exit only when a dialog was built.
//
// Main thread only. The host outlives it.

#include <QList>
#include <QPointer>
#include <functional>

#include "find/FindResultsWindow.h"
#include "platform/ui/CommandTarget.h"

class PaneHost;
class ProfileStore;
class QDialog;
class QWidget;

class CFindFiles : public CommandTarget {
public:
    using SaverRegistrar = std::function<void(std::function<void(ProfileStore&)> saver)>;
    using DialogRunner = std::function<bool(QDialog& dialog)>;

    explicit CFindFiles(PaneHost& host);
    ~CFindFiles() override;
    CFindFiles(const CFindFiles&) = delete;
    CFindFiles& operator=(const CFindFiles&) = delete;

    /// The saver of "Find File/Folder Settings" and the look-in history.
    void SetSaverRegistrar(SaverRegistrar registrar) { m_registrar = std::move(registrar); }
    /// Loads the shared "Grep Settings" once per run (their owner decides).
    void SetGrepLoader(std::function<void()> loader) { m_grepLoader = std::move(loader); }
    /// What every results window gets.
    void SetWindowServices(FindWindowServices services) { m_services = std::move(services); }
    /// Shows the criteria dialog; the default runs exec(). Tests fill it in.
    void SetDialogRunner(DialogRunner runner) { m_dialogRunner = std::move(runner); }
    /// The window the results windows are placed against.
    void SetMainWindow(QWidget* window) { m_mainWindow = window; }

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

    /// The command: the dialog, then a window. The new window, or nullptr
    /// when the dialog was cancelled.
    FindResultsWindow* FindFiles();
    /// A window for an already checked request (the dialog's result).
    FindResultsWindow* OpenResults(FindRequest request);
    /// Closes every results window, searches and all (the main window is
    /// closing); each stores its settings as a user's close would.
    void CloseAll();
    /// The windows still open, oldest first.
    QList<FindResultsWindow*> Windows() const;

private:
    void EnsureLoaded();

    PaneHost& m_host;
    SaverRegistrar m_registrar;
    std::function<void()> m_grepLoader;
    FindWindowServices m_services;
    DialogRunner m_dialogRunner;
    QWidget* m_mainWindow = nullptr;
    QList<QPointer<FindResultsWindow>> m_windows;
};
