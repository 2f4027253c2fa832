#pragma once
// CommandRunner: the address bar's command line. A text that begins with ">"
// runs a program (or opens a document); one that begins with "$" runs a
// command line of the shell in a terminal window that stays open. Macros in
// the text name the panes' folders and the focused item; every command that
// starts goes to the front of the command history.
//
// Settings ("MainFrame Settings"), read by Load() and written back at once,
// so the store always shows them for editing by hand:
//   "szDosCmdPreample"    put in front of a "$" command. The default, made on
//                         the first run, names the terminal emulator found on
//                         the machine (DefaultShellCommandPreamble()).
//   "szShellCmdPreample"  put in front of a ">" command; default empty.
// The history is the section "Command History" (HistoryList format): the
// texts as typed, with their marker.
//
// Environment references ("%NAME%") are expanded in what the user typed
// only (the command and the preambles), before the macros go in; a macro's
// value is never scanned again, so a file named "%HOME%" stays that name.
// The external editor's launch keeps the same rule (ExternalEditor.h).
//
// Quoting: macro values are file names and paths. Each is written for the
// place the command puts it, as the shell reads the text (ShellQuoting.h):
// a plain word in single quotes where it holds anything but plain path
// characters, the command's own single or double quotes, backquotes,
// "$(...)". So a name stays one argument and never runs as code, whichever
// way the command line is taken apart (the launcher's own splitting for
// ">", a real shell for "$"). A command that puts a macro where no value
// can be quoted safely is not run. A "$" command reaches the terminal's
// shell as one quoted argument appended to its preamble, so its pipes and
// quotes are the shell's to read, and nothing of it is read by the
// launcher.
//
// Main thread only (the launches themselves are detached processes).

#include <QString>
#include <functional>
#include <optional>

#include "shell/HistoryList.h"

class ProfileStore;

/// What the macros stand for; filled by the frame from the two panes. A
/// folder that is not a file-system one has no path: its macro gives an
/// empty text.
struct MacroValues {
    QString left;      // "$L"
    QString right;     // "$R"
    QString active;    // "$P"
    QString inactive;  // "$I"
    /// "$N": the active pane's focused item; none leaves "$N" as typed.
    std::optional<QString> focusedName;
};

namespace CommandRunnerKeys {
inline const QString kDosPreamble = QStringLiteral("szDosCmdPreample");
inline const QString kShellPreamble = QStringLiteral("szShellCmdPreample");
inline const QString kHistorySection = QStringLiteral("Command History");
}  // namespace CommandRunnerKeys

/// The alert of a command that could not be started.
inline const QString kCannotExecute = QStringLiteral("Cannot execute that command");
/// The alert of a command that puts a macro where its value can't be
/// quoted; the command is not run.
inline const QString kUnsafeMacroPlace = QStringLiteral(
    "A name can't be put safely where the command has a macro (inside ${...}, $((...)), a "
    "here-document, or a comment within a substitution); the command was not run");
/// The notice of repeat (Alt+F10) with nothing to repeat.
inline const QString kHistoryEmpty = QStringLiteral("Command history is empty");

/// `value` as one word of the POSIX shell: unchanged when it is made only
/// of letters, digits and "_@+=:,./-" (and not empty), else in single
/// quotes with every "'" written as '\'' (ShellQuoteWord).
QString ShellQuoteIfNeeded(const QString& value);

/// Replaces the macros "$L", "$R", "$N", "$P", "$I", each at every
/// occurrence (case-sensitive), by the values written for the place each
/// lands in (see Quoting above). Only the typed text is searched: what one
/// macro inserted is never searched for a later macro, so a folder or a
/// name that holds "$N" (or any other macro) goes in exactly as it is. A
/// macro where no value can be quoted stays as typed, and `*refused` (when
/// given) says so.
QString ReplaceMacros(const QString& text, const MacroValues& values, bool* refused = nullptr);

/// The default "$" preamble: the first terminal emulator found on PATH
/// ($TERMINAL, x-terminal-emulator, konsole, gnome-terminal, xfce4-terminal,
/// xterm), told to run a shell that evaluates its first argument and then
/// stays open as an interactive shell; it ends in a blank. With no terminal
/// at all, the same for xterm (the user can edit the store).
QString DefaultShellCommandPreamble();

/// The Exec line of the installed desktop entry `name` (".desktop" added
/// when the name does not end in it) from the XDG application folders
/// ($XDG_DATA_HOME first, then $XDG_DATA_DIRS); nullopt when there is none.
/// The field codes (%f, %U, ...) are removed and the text trimmed.
std::optional<QString> DesktopEntryCommand(const QString& name);

class CommandRunner {
public:
    /// Starts a command line in a folder; StartCommandLine unless a test
    /// installs its own. The line's typed parts are expanded already; it
    /// is never expanded again.
    using Launcher = std::function<bool(const QString& commandLine, const QString& folder)>;
    /// Opens a file as a document or program; ShellLaunchPath by default.
    using Opener = std::function<bool(const QString& path)>;

    CommandRunner();

    /// Reads both preambles (the "$" default made when the store has none)
    /// and writes them back at once; loads "Command History".
    void Load(ProfileStore& store, int maximum);
    /// Writes "Command History".
    void SaveHistory(ProfileStore& store, int maximum) const;

    /// Runs a text that begins with ">" or "$" in `folder` (the active
    /// pane's folder; empty: the current directory). Wait cursor; the text
    /// after the marker trimmed and its environment references expanded, as
    /// are the preambles'; the macros replaced (a macro that can't be quoted
    /// where it stands: the alert kUnsafeMacroPlace, nothing run); the
    /// preamble put in front ("$": the command appended as one quoted
    /// argument); ">" without a
    /// shell preamble through RunShellCommand, everything else through the
    /// launcher. On success the text as submitted goes to the front of the
    /// history; on failure the alert "Cannot execute that command" and the
    /// history is unchanged. Any other text fails the same way.
    bool RunCommandText(const QString& text, const MacroValues& values, const QString& folder,
                        int maximum);

    /// The launcher of ">" commands without a shell preamble:
    /// 1. the whole command line; success ends here;
    /// 2. the program part: up to the closing double quote when it begins
    ///    with one (none: fail), else up to the first blank; empty: fail;
    /// 3. with nothing after it: the program part opened as a document or
    ///    program (relative to `folder`);
    /// 4. with arguments, or when 3 failed, and no "/" in the program part:
    ///    the desktop entry of that name; its program (the quoted first part
    ///    of its Exec line, or the text before the first blank) with a blank
    ///    and the arguments, launched;
    /// 5. the result of the last launch tried.
    bool RunShellCommand(const QString& commandLine, const QString& folder);

    const QString& dosPreamble() const { return m_dosPreamble; }
    const QString& shellPreamble() const { return m_shellPreamble; }
    void SetDosPreamble(const QString& text) { m_dosPreamble = text; }
    void SetShellPreamble(const QString& text) { m_shellPreamble = text; }

    HistoryList& History() { return m_history; }
    const HistoryList& History() const { return m_history; }

    void SetLauncher(Launcher launcher);
    void SetOpener(Opener opener);

private:
    QString m_dosPreamble;
    QString m_shellPreamble;
    HistoryList m_history;
    Launcher m_launch;
    Opener m_open;
};
