#pragma once
// PaneHost: what a folder pane asks of the window that holds the pane pair
// (the main frame), so the pane never includes the frame. The frame
// implements it once for both panes; tests use a small implementation of
// their own.
//
// Every function is called on the main thread. The host outlives its panes.

#include <QString>

class CPanexView;
class ProfileStore;

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
};
