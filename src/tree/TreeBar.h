#pragma once
// TreeBar: the dock that holds the folder tree ("TreeBar"). The frame docks
// it and toggles it (Ctrl+T); its size and place are kept with the frame's
// other docks.
//
// Showing it puts the tree on the active pane's folder (with
// "bKeepTreeInSync" on) or on Computer; hiding it collapses the root, so a
// hidden tree holds no folders and watches no folder.
//
// Main thread only.

#include <QDockWidget>

#include "tree/CTreeBrowser.h"

class PaneHost;

/// The bar's object name and window text.
inline const QString kTreeBarName = QStringLiteral("TreeBar");
/// The bar's control id (its "barId" property).
inline constexpr int kTreeBarId = 59401;

class TreeBar : public QDockWidget {
    Q_OBJECT

public:
    TreeBar(PaneHost& host, QWidget* parent = nullptr);

    CTreeBrowser* Browser() const { return m_browser; }

    /// What showing the bar does: the active pane's folder located, or
    /// Computer shown.
    void OnShown();

private:
    PaneHost& m_host;
    CTreeBrowser* m_browser;
};
