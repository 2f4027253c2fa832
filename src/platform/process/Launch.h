#pragma once
// Starting programs from a command line typed by the user (the external
// editor, the command runner, batch scripts).
//
// A command line is expanded with the environment ("%NAME%"), split into
// arguments by the POSIX shell's quoting rules, its program looked up on
// PATH, and started detached: the new process is not our child (it is
// re-parented to the session's reaper, as a shell's "cmd &" followed by the
// shell's exit would leave it), in a session of its own, so it outlives
// Corvane and is never left as a zombie.
//
// Every text here that names a file (the program, the working directory, the
// arguments, environment values) is converted with NameToBytes/NameFromBytes,
// so names that are not valid UTF-8 reach the program unchanged.

#include <QString>
#include <QStringList>
#include <optional>

/// Replaces every "%NAME%" whose NAME is set in the environment (exactly,
/// case-sensitive, as Linux names variables) by its value, also when that
/// value is empty. A "%NAME%" of an unknown name stays as typed, and its
/// closing "%" may open the next name ("%none%HOME%" gives "%none" and the
/// home folder). "%%" is an empty name, unknown, and stays as typed, as does
/// a lone "%". No other expansion. Cost: one pass and one getenv() per name.
QString ExpandEnvironmentStrings(const QString& text);

/// Splits a command line into arguments as the POSIX shell's quoting does,
/// without expanding anything:
/// - blanks, tabs and line feeds outside quotes separate arguments;
/// - 'single quotes' keep everything literally up to the next single quote;
/// - "double quotes" keep everything literally except the escapes \\ \" \$
///   \` (the character after the backslash) and backslash-line feed (which
///   disappears); any other backslash stays as typed;
/// - outside quotes a backslash makes the next character literal
///   (backslash-line feed disappears; a backslash at the very end stays);
/// - quoted empty text ('' or "") is an empty argument;
/// - "$", "`", "*", "~", "|", ";", ">" and the like are plain characters: no
///   shell runs the command, so there is no expansion, pipe or redirection.
/// nullopt when a quote is not closed. An empty or blank line gives an empty
/// list.
std::optional<QStringList> SplitCommandLine(const QString& commandLine);

/// The path of the program `name` would start, or nullopt when there is none.
/// A name holding "/" is taken as a path (relative ones against
/// `baseDirectory`, default the current directory) and must be an executable
/// regular file. Any other name is looked for in the folders of $PATH in
/// order (an empty entry means `baseDirectory`; with PATH unset, the system's
/// default search path); the first executable regular file wins. Cost: one
/// stat() and access() per folder tried.
std::optional<QString> FindProgramOnPath(const QString& name,
                                         const QString& baseDirectory = QString());

/// Starts `programPath` with the argument vector `argv` (argv[0] first, as
/// the program will see it) in `workingDirectory` (empty: the current
/// directory), detached. True when the program was executed: a missing
/// working directory, a file that can't be executed and a failed fork are
/// failures, with the errno value in `*errorNumber` when given.
bool StartDetachedProcess(const QString& programPath, const QStringList& argv,
                          const QString& workingDirectory = QString(), int* errorNumber = nullptr);

/// Longest expanded command line: a longer expansion is dropped and the
/// command line is used as typed.
inline constexpr int kExpandedCommandLineLimit = 1023;

/// `typed` with its "%NAME%" references expanded by ExpandEnvironmentStrings,
/// or `typed` itself when the expansion would be longer than
/// kExpandedCommandLineLimit. For what the user typed only (a command, a
/// preamble, the editor's command): file names put into a command line
/// afterwards are never expanded, so a file named "%HOME%" stays that name.
QString ExpandTypedCommandLine(const QString& typed);

/// LaunchCommandLine without the expansion: split, the program found, and
/// started detached. For command lines whose typed parts were expanded
/// already (ExpandTypedCommandLine) before names went in.
bool StartCommandLine(const QString& commandLine, const QString& workingDirectory = QString(),
                      QString* failure = nullptr);

/// Starts the program of `commandLine` detached in `workingDirectory` (empty:
/// the process's current directory, which the program keeps at the active
/// pane's folder). When the text holds a "%", it is first expanded with
/// ExpandEnvironmentStrings (an expansion longer than
/// kExpandedCommandLineLimit is dropped, and the text used unexpanded). Then
/// it is split by SplitCommandLine, the program (the first argument) found by
/// FindProgramOnPath, and started by StartDetachedProcess. False when the
/// text has an unclosed quote or no program, the program is not found, or it
/// could not be started; `*failure` then tells why in a short English text.
bool LaunchCommandLine(const QString& commandLine, const QString& workingDirectory = QString(),
                       QString* failure = nullptr);
