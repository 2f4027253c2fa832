#pragma once
// CPaneTools: the commands of the Mark menu and its neighbours that act on
// the panes' selection. The frame puts it into its command chain after the
// active pane (and the transfer commands), so they act on the active pane
// and reach the other pane through the PaneHost:
//
//   ID_MARK_SELECT_GROUP / ID_MARK_UNSELECT_GROUP
//                  select / unselect group (the pattern dialog; Ctrl held:
//                  the newest pattern at once)         PaneSelection.h
//   ID_SELECT_SAME_EXT / ID_UNSELECT_SAME_EXT
//                  select / unselect same extension
//   ID_MARK_SELECT_ALL / ID_MARK_UNSELECT_ALL
//                  select all / unselect all; ID_MARK_INVERT invert
//   ID_SELECT_FOLDERS / ID_UNSELECT_FOLDERS
//                  select / unselect folders
//   ID_SELECTION_STORE / ID_SELECTION_SELECT / ID_SELECTION_UNSELECT
//                  store / select / unselect the selection clipboard
//   ID_MARK_SYNC_PANES / ID_MARK_LOCATE_IDENTICAL
//                  synchronize panes (F9) / locate identical (Ctrl+F9)
//   ID_MARK_SYNC_CONTENT
//                  sync on content (Alt+F9)             PaneCompare.h
//   ID_SYNC_SCROLLING / ID_SCROLL_TO_TOP
//                  sync scrolling (toggle) / scroll to top
//   ID_MARK_CONTAINING_TEXT
//                  containing text (Ctrl+G)             TextScan.h
//   ID_MARK_GENERATE_BATCH
//                  generate batch (Ctrl+B)              BatchDialogs.h
//   ID_MARK_PRINT_SELECTION
//                  print selection                      DirListing.h
//   ID_EDIT_COPY_NAMES
//                  copy names (Alt+C; Alt+Shift+C shell-quoted)
//   ID_FILE_MULTI_RENAME
//                  multi-rename the selection (Ctrl+F2)  MultiRenameDialog.h
//   ID_MARK_SYNC_FOLDERS
//                  synchronize the two folder trees (Shift+F9)  SyncWindow.h
//
// Mirror browsing (ID_MIRROR_BROWSING) is the pane's own (PaneNavigation).
//
// Settings: the pattern history, "Grep Settings" with its two histories and
// the batch template history and "Synchronize Settings" are loaded when
// first needed; the saver of
// each is handed to the registrar then, to be run at exit.
//
// Main thread only. The host outlives it.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "platform/ui/CommandTarget.h"

class CPanexView;
class PaneHost;
class ProfileStore;
class QDialog;

class CPaneTools : public CommandTarget {
public:
    /// Which of the tools' settings a saver writes.
    enum class Settings { SelectionPatternHistory, Grep, BatchTemplateHistory, Synchronize };
    using SaverRegistrar =
        std::function<void(Settings which, std::function<void(ProfileStore&)> saver)>;
    /// Opens a file in the editor (`viewOnly`); true when one started.
    using EditorOpener = std::function<bool(const QString& path, bool viewOnly)>;
    /// The temporary listing file and the temporary script, fixed for the
    /// run by the application.
    using PathProvider = std::function<QString()>;
    /// Starts a written script in a terminal in `workingDirectory`.
    using ScriptRunner =
        std::function<bool(const QString& script, const QString& workingDirectory)>;
    /// Shows a dialog modally; true when it was accepted. The default runs
    /// exec(); tests fill the dialog in and accept it.
    using DialogRunner = std::function<bool(QDialog& dialog)>;

    explicit CPaneTools(PaneHost& host);
    ~CPaneTools() override;
    CPaneTools(const CPaneTools&) = delete;
    CPaneTools& operator=(const CPaneTools&) = delete;

    void SetSaverRegistrar(SaverRegistrar registrar) { m_registrar = std::move(registrar); }
    void SetEditorOpener(EditorOpener opener) { m_opener = std::move(opener); }
    void SetListingPath(PathProvider provider) { m_listingPath = std::move(provider); }
    void SetBatchPath(PathProvider provider) { m_batchPath = std::move(provider); }
    /// The console commands' preamble ("szDosCmdPreample"), which names the
    /// terminal a generated script runs in (RunScriptInTerminal).
    void SetConsolePreamble(PathProvider provider) { m_consolePreamble = std::move(provider); }
    void SetScriptRunner(ScriptRunner runner) { m_scriptRunner = std::move(runner); }
    void SetDialogRunner(DialogRunner runner) { m_dialogRunner = std::move(runner); }
    /// Whether the panes stand side by side (sync scrolling needs it).
    void SetSideBySideQuery(std::function<bool()> query) { m_sideBySide = std::move(query); }

    /// Follows the focus of both panes' lists for sync scrolling; the frame
    /// calls it once both panes exist.
    void AttachPanes(CPanexView& first, CPanexView& second);
    /// The same for one more pane view (a new tab).
    void AttachPane(CPanexView& pane);

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

    /// The run-wide sync scrolling switch (initially off).
    static bool SyncScrolling();

    // The commands whose work is more than a call.
    void SelectGroup(bool select);
    void SynchronizePanes(bool differing);
    void ContainingText();
    void GenerateBatch();
    void PrintSelection();
    void CopyNames(bool shellQuoted);
    void MultiRename();
    void SynchronizeFolders();

    /// Loads a group of the tools' settings the first time it is needed in
    /// the run and hands its saver to the registrar; find files shares the
    /// text scan's settings and the batch template history through it.
    void EnsureLoaded(Settings which);

private:
    CPanexView* ActivePane() const;
    CPanexView* OtherPane() const;
    bool RunDialog(QDialog& dialog);
    void OnFocusChanged(CPanexView& pane);

    PaneHost& m_host;
    SaverRegistrar m_registrar;
    EditorOpener m_opener;
    PathProvider m_listingPath;
    PathProvider m_batchPath;
    PathProvider m_consolePreamble;
    ScriptRunner m_scriptRunner;
    DialogRunner m_dialogRunner;
    std::function<bool()> m_sideBySide;
    bool m_loaded[4] = {false, false, false, false};
    std::unique_ptr<QObject> m_context;  // receiver of the lists' signals
};
