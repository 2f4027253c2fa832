#pragma once
// PaneHost: what a folder pane asks of the window that holds the pane pair
// (the main frame), so the pane never includes the frame. The frame
// implements it once for both panes; tests use a small implementation of
// their own.
//
// Every function is called on the main thread. The host outlives its panes.

#include <QMenu>
#include <QString>
#include <memory>

class CPanexView;
class IdList;
class ProfileStore;
class QMenu;
class QWidget;

class PaneHost {
public:
    virtual ~PaneHost() = default;

    /// The settings store of the run. Panes read their sections from it when
    /// they are created and write them when the frame closes.
    virtual ProfileStore& Store() = 0;

    /// The start folder the command line gave for `pane` (the first argument
    /// for the first pane, the second for the second); empty when none.
    virtual QString CommandLineFolder(const CPanexView& pane) const = 0;

    /// True for the first pane (the left one, or the upper one when the
    /// panes are stacked): it owns "Left Pane Settings", the free-space
    /// interval and the visual filter history.
    virtual bool IsFirstPane(const CPanexView& pane) const = 0;

    /// The other pane of the pair; nullptr while it does not exist yet.
    virtual CPanexView* OtherPane(const CPanexView& pane) const = 0;

    /// True while `pane` has no room in the window (the other pane fills
    /// it): a hidden pane is never made the active one, by a key, a focus
    /// change or Alt. False by default.
    virtual bool IsPaneHidden(const CPanexView& pane) const {
        (void)pane;
        return false;
    }

    /// The active pane (commands act on it); nullptr before the panes exist.
    virtual CPanexView* ActivePane() const = 0;
    bool IsActive(const CPanexView& pane) const { return ActivePane() == &pane; }

    /// The frame's share of a pane's activation update, called after the
    /// pane opened a folder (and, once activation arrives, whenever the
    /// active pane changes). For the active pane the frame sets the window
    /// title ("Corvane K3 - " and the folder's title); the address bar and
    /// the folder tree will follow the active pane's folder here as well
    /// once they exist. Does nothing by default.
    virtual void ActivationUpdate(CPanexView& pane) { (void)pane; }

    /// The address bar's text (and, with `withHistory`, its drop-down list)
    /// for `pane`'s folder and filter, when `pane` is the active one. Does
    /// nothing by default, and nothing until the address bar exists.
    virtual void AddressUpdate(CPanexView& pane, bool withHistory) {
        (void)pane;
        (void)withHistory;
    }

    /// Asked by OpenFolder() of a pane that shows a folder, before it reads
    /// `folder`: true when the host opened the folder somewhere else (a
    /// locked tab opens it in a new tab), and the pane then stays where it
    /// is. False (the pane goes there) by default.
    virtual bool DivertFolderOpen(CPanexView& pane, const IdList& folder) {
        (void)pane;
        (void)folder;
        return false;
    }

    // -- Activation, rename and context menus ----------------------------------

    /// Enters (`editing` true) or leaves the frame's label-edit state while
    /// a pane edits a row's label in place: keys that are shortcuts of the
    /// window without Ctrl or Alt (F-keys, Delete, Backspace, Return, ...)
    /// must reach the label's editor instead. Calls come in pairs. Does
    /// nothing by default.
    virtual void SetLabelEditState(bool editing) { (void)editing; }

    /// A new popup menu of the program's own commands by its menu name
    /// ("paneLR": the pane's background menu), parented to `parent`. Its
    /// command entries are plain QActions whose data() holds the command id
    /// (their enabled and checked states set for the moment), connected to
    /// nothing: the pane runs the entry the user chose itself. nullptr when
    /// the host has no such menu (the default).
    /// (Defined with the pane's context menu, where QMenu is complete.)
    virtual std::unique_ptr<QMenu> CreatePopupMenu(const QString& name, QWidget* parent);

    /// True while the folder tree is shown. False by default.
    virtual bool TreeVisible() const { return false; }

    /// Shows the folder `absolute` names in the folder tree; nothing by
    /// default (and nothing while there is no tree).
    virtual void LocateInTree(const IdList& absolute) { (void)absolute; }

    /// Runs a command that a pane was asked to run but does not handle
    /// itself along the frame's command chain. False (not handled) by
    /// default.
    virtual bool ExecuteCommand(int id) {
        (void)id;
        return false;
    }

    // -- Navigation -------------------------------------------------------------

    /// Shift+Tab (`addressBar` true) and Ctrl+Tab in a pane: the keyboard
    /// focus goes to the address bar's folder box, or to the folder tree,
    /// when that bar is shown. False (nothing done) when it is not, and by
    /// default.
    virtual bool FocusFrameBar(bool addressBar) {
        (void)addressBar;
        return false;
    }
};
