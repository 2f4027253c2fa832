#pragma once
// CPackTools: making and unpacking archives between the panes. The frame
// puts it into its command chain after the other pane tools:
//
//   ID_FILE_PACK
//          "Pack..." (Alt+F5): the selection of the active pane (a folder
//          of the disk) into a new archive in the other pane's folder, in
//          the format PackDialog asks for (ArchiveWriter.h). The packing
//          runs on a worker thread behind a progress dialog with Cancel
//          (meanwhile the rest of the program takes no input, as during a
//          file operation); a cancelled or failed pack leaves no archive
//          behind. The other
//          pane then selects the new archive.
//   ID_FILE_UNPACK
//          "Unpack..." (Alt+F6): the selected (else focused) archive of the
//          active pane, everything it holds, into the other pane's folder,
//          through the transfer executor as a copy out of the archive
//          folder is done (questions, progress, nothing half-written).
//
// Settings: "ePackFormat" of "Pack Settings" (the format chosen last),
// loaded when first needed; its saver goes to the registrar then.
//
// Main thread only. The host outlives it.

#include <QDialog>
#include <functional>

#include "platform/archive/ArchiveWriter.h"
#include "platform/ui/CommandTarget.h"

class CPanexView;
class FolderItem;
class PaneHost;
class ProfileStore;
class PackDialog;

class CPackTools : public CommandTarget {
public:
    using SaverRegistrar = std::function<void(std::function<void(ProfileStore&)> saver)>;
    /// Shows the dialog; true when accepted. The default runs exec().
    using DialogRunner = std::function<bool(PackDialog& dialog)>;

    explicit CPackTools(PaneHost& host);
    ~CPackTools() override;

    void SetSaverRegistrar(SaverRegistrar registrar) { m_registrar = std::move(registrar); }
    void SetDialogRunner(DialogRunner runner) { m_dialogRunner = std::move(runner); }
    /// Called once packing has begun with what the progress dialog's Cancel
    /// does (tests press it through this).
    void SetPackStartedHook(std::function<void(const std::function<void()>& cancel)> hook) {
        m_startedHook = std::move(hook);
    }

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

    void Pack();
    void Unpack();

    /// Runs `request` on a worker thread while a progress dialog shows, and
    /// waits for it (the window stays alive). Gives its result.
    PackResult RunPack(const PackRequest& request, QWidget* parent);

    /// The format chosen last ("ePackFormat").
    static ArchiveFormat LastFormat();

private:
    CPanexView* ActivePane() const;
    CPanexView* OtherPane() const;
    FolderItem* ArchiveItem() const;
    void EnsureLoaded();

    PaneHost& m_host;
    SaverRegistrar m_registrar;
    DialogRunner m_dialogRunner;
    std::function<void(const std::function<void()>&)> m_startedHook;
    bool m_loaded = false;
};
