#pragma once
// CMainStatusBar: the main window's status bar, the program's quiet voice.
//
// Panes, left to right:
//   0  messages (stretches): notices, progress captions, the idle text
//      "Ready"; menu prompts show over it while a menu item is highlighted
//   1  (ID_INDICATOR_SELECTION) the active pane's selection summary
//   2  (ID_INDICATOR_FREESPACE) the free space of the active pane's volume
// Panes 1 and 2 are as wide as their template strings in the status bar's
// font (they give way only when the window is narrower than all three).
//
// Notices (ShowNotice) stay in pane 0 for the notice timeout (5000 ms) and
// then give way to the idle text; a new notice restarts the timeout. An
// alert beeps. While the status bar is hidden an alert becomes a message box
// and any other notice is dropped. Beeps and boxes go through the prompter.
//
// The progress bar of long operations (CProgressSBar) is a child of this
// bar; see CProgressSBar.h. The bar installs that progress bar's sink for
// the long-operation service while it lives, and puts back the one it found
// when it is destroyed.
//
// Main thread only. Everything that changes pane 0 repaints at once, because
// the long operation that usually follows keeps the event loop from painting.

#include <QLabel>
#include <QStatusBar>
#include <QString>
#include <QTimer>
#include <optional>

#include "app/CProgressSBar.h"
#include "shell/LongOperation.h"

class CommandManager;

/// String 57345: the idle text of pane 0.
inline const QString kIdleMessage = QStringLiteral("Ready");
/// The sizing templates of panes 1 and 2.
inline const QString kSelectionPaneTemplate =
    QStringLiteral("Selected object: 9,999,999,999 bytes, Modified 99/99/99 99:99:99XXX");
inline const QString kFreeSpacePaneTemplate = QStringLiteral("999.999 MB free");

class CMainStatusBar : public QStatusBar, public ProgressBarHost {
    Q_OBJECT

public:
    static constexpr int kNoticeTimeoutMs = 5000;
    /// The panes' indexes.
    enum Pane { MessagePane = 0, SelectionPane = 1, FreeSpacePane = 2, PaneCount = 3 };

    explicit CMainStatusBar(QWidget* parent = nullptr);
    ~CMainStatusBar() override;

    /// Shows a notice (see the top of this file). `text` nullopt means the
    /// idle text.
    void ShowNotice(const std::optional<QString>& text, bool alert);

    /// Puts `text` in pane 0 and repaints at once.
    void SetMessageText(const QString& text) override;
    /// Pane 0's own text (not a menu prompt shown over it).
    QString MessageText() const;
    QString IdleText() const override { return kIdleMessage; }
    QStatusBar* HostBar() override { return this; }

    /// Sets the text of pane 1 or 2 (other indexes do nothing).
    void SetPaneText(int pane, const QString& text);
    QString PaneText(int pane) const;
    /// A pane's rectangle in this bar's coordinates; empty for a bad index.
    QRect PaneRect(int pane) const override;
    /// The width a pane is sized to: its template's width in the bar's font
    /// and the label's margins (pane 0: 0, it stretches).
    int PaneTemplateWidth(int pane) const;

    CProgressSBar* Progress() const { return m_progress; }

    /// Shows how many file operations run in the background, in a pane of
    /// its own before the indicator panes; hidden while none runs.
    void SetOperationCount(int count);
    /// The operations pane's text (empty while hidden).
    QString OperationText() const;

    /// True while a notice waits for its timeout.
    bool IsNoticePending() const { return m_revertTimer.isActive(); }
    /// Milliseconds until pane 0 goes back to the idle text; -1 when no
    /// notice is pending.
    int RemainingNoticeTime() const { return m_revertTimer.remainingTime(); }
    int NoticeTimeout() const { return m_noticeTimeout; }
    /// For tests: a shorter timeout than the usual 5000 ms.
    void SetNoticeTimeout(int milliseconds) { m_noticeTimeout = milliseconds; }

    /// Shows the status prompts of `commands` while their items are
    /// highlighted in a menu (or hovered on a toolbar), and pane 0 again when
    /// the menu closes.
    void ConnectCommandPrompts(CommandManager& commands);
    /// A menu prompt over pane 0 / back to pane 0.
    void ShowMenuPrompt(const QString& prompt);
    void EndMenuPrompt();

    /// Keeps panes 1 and 2 filled from the states of the indicator commands
    /// ID_INDICATOR_SELECTION and ID_INDICATOR_FREESPACE (the active pane gives their texts),
    /// updated on an idle timer every CommandManager::kIdleIntervalMs; `commands` must outlive the
    /// bar.
    void ConnectIndicators(CommandManager& commands);
    /// One such update now: a state with a text sets its pane; no text (or
    /// no claiming target) leaves the pane as it is.
    void UpdateIndicators(const CommandManager& commands);

Q_SIGNALS:
    /// Pane 0 went back to the idle text because the notice timed out.
    void NoticeExpired();

private:
    QLabel* PaneLabel(int pane) const;
    void RepaintNow();
    void OnRevertTimer();

    QLabel* m_message = nullptr;
    QLabel* m_selection = nullptr;
    QLabel* m_freeSpace = nullptr;
    QLabel* m_operations = nullptr;
    CProgressSBar* m_progress = nullptr;
    ProgressSink m_previousProgressSink;
    int m_noticeTimeout = kNoticeTimeoutMs;
    QTimer m_revertTimer;
    QTimer m_indicatorTimer;
};
