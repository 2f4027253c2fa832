#pragma once
// CEditorFrame: one editor or viewer window. A top-level window of its own
// on the main thread, with the editor menu ("&File", "&Edit", "&Search",
// "&AutoText", "&View", "&Help"), the toolbar "Editor toolbar" and a status
// bar of four panes: messages, the position ("Ln 99999, Col 9999"), "OVR"
// and "*". Its commands run through a command manager of its own, routed to
// the view first and then to the frame.
//
// The window deletes itself when it closes; hold it by QPointer.

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include "platform/ui/CommandManager.h"
#include "platform/ui/CommandTarget.h"

class CEditorView;
class QLabel;
class QToolBar;

class CEditorFrame : public QMainWindow, public CommandTarget {
    Q_OBJECT

public:
    /// Builds the window (hidden) for view mode or edit mode.
    explicit CEditorFrame(bool viewOnly, QWidget* parent = nullptr);
    ~CEditorFrame() override;

    /// Loads the file into the view and sets the title "name @ folder".
    bool Open(const QString& path, QString* error);
    /// The stored place ("szWindowRect" in "Editor/Viewer Settings"), or
    /// the main window's rectangle halved in width and height, then shown
    /// and brought to the front.
    void ShowPlaced();

    CEditorView* View() const { return m_view; }
    CommandManager& Commands() { return m_commands; }
    /// The message pane's text.
    QString MessageText() const;
    /// The position, "OVR" and "*" panes' texts.
    QString PositionPane() const;
    QString OverwritePane() const;
    QString ModifiedPane() const;
    /// The timed status-bar notice: shown for 5 seconds, with a beep for an
    /// alert; a message box for an alert while the status bar is hidden.
    void ShowNotice(const QString& text, bool alert);
    void UpdateStatus();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateCommands();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void ShowContextMenu(const QPoint& globalPos);

    CommandManager m_commands;
    CEditorView* m_view = nullptr;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_message = nullptr;
    QLabel* m_position = nullptr;
    QLabel* m_overwrite = nullptr;
    QLabel* m_modified = nullptr;
    QTimer m_noticeTimer;
    QTimer m_idleTimer;
};

/// The editor's command table (ids, menu texts, keys, prompts).
QList<CommandInfo> EditorCommandTable(bool viewOnly);

/// Opens an editor window on `path`: nullptr (after telling the user why)
/// when the file cannot be opened.
CEditorFrame* OpenEditorWindow(const QString& path, bool viewOnly);
