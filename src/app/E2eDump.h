#pragma once
// The end-to-end tests' window on the panes: with CORVANE_E2E_DUMP set to a
// file path, the names listed in both panes are written there ("L\tname" and
// "R\tname" lines, then "SL\tname" and "SR\tname" for the selected rows)
// whenever a pane's rows or selection change, so a script driving the
// real program with keys can check what the user sees without reading
// pixels. After the names come the places of the visible rows' first cells
// in the window's own coordinates ("LG\tname\tx y w h"), for the few checks
// that must compare pixels (icons). While the folder tree is shown, its
// selected folder follows ("T\tparsing name") and the places of its visible
// nodes ("TG\tname\tx y w h"). The buttons of a watched bar come next, by
// their text ("BG\tF5 Copy\tx y w h"), so a script can click one. Then come
// each pane's focused row ("FL\tname"), its share of the splitter
// ("WL\tpixels", 0 when hidden) and where the keyboard focus is ("K\tL" or
// "K\tR" for a pane's list, "K\tLE" or "K\tRE" for a label editor in it,
// "K\t-" elsewhere), the tabs of each pane, left to right ("TL\tflags\tfolder"
// and "TR\t...", the flags "*" for the shown tab and "L" for a locked one,
// "-" for neither) and, while a tab bar is shown, where its tabs are
// ("TBL\tnumber\tx y w h", "TBR\t..."), the notices, and last the status bar's count of running
// file operations ("OPS\ttext"). The listing follows the tab each pane shows. Unset, nothing is
// watched and nothing is written.
//
// The file is written aside and renamed over the old one, so a reader never
// sees half a listing. Rows that change several times in one pass of the
// event loop are written once. Main thread only.

#include <QObject>
#include <QString>
#include <QTimer>

class CPanexView;
class CTreeBrowser;
class PaneTabs;

/// The variable that names the listing file.
inline constexpr const char* kE2eDumpVariable = "CORVANE_E2E_DUMP";

class PaneListingDump : public QObject {
public:
    /// Watches both panes' rows when `path` is not empty.
    PaneListingDump(CPanexView* left, CPanexView* right, const QString& path,
                    QObject* parent = nullptr);

    /// The file named by kE2eDumpVariable, or empty.
    static QString PathFromEnvironment();

    /// Writes the listing now.
    void Write();

    /// Adds the folder tree to the listing.
    void WatchTree(CTreeBrowser* tree);
    /// Records a notice shown in the status bar: the notices so far follow
    /// the listing ("N\ttext", "NA\ttext" for an alert), oldest first, the
    /// last 20 kept.
    void AddNotice(const QString& text, bool alert);
    /// Adds the status bar's count of running operations ("OPS\ttext",
    /// the text empty while none runs) and writes the listing soon.
    void SetOperationsText(const QString& text);
    /// Adds the buttons of `bar` to the listing, written again whenever the
    /// bar is shown or resized, or a button's text changes.
    void WatchButtons(QWidget* bar);
    /// Follows the tabs of both panes: their views as they come, the tab
    /// shown, the tab lines.
    void WatchTabs(PaneTabs* left, PaneTabs* right);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Watch(CPanexView* pane);
    QByteArray FocusLines() const;
    QByteArray TreeLines() const;
    QByteArray ButtonLines() const;
    QByteArray TabLines() const;

    CPanexView* m_left;
    CPanexView* m_right;
    CTreeBrowser* m_tree = nullptr;
    PaneTabs* m_leftTabs = nullptr;
    PaneTabs* m_rightTabs = nullptr;
    QWidget* m_buttons = nullptr;
    QString m_path;
    QString m_operations;
    QTimer m_timer;
    QByteArray m_notices;  // lines, as written
};
