#pragma once
// The text of a batch script: a command template applied to a list of
// items, one or more lines per item ("Generate batch...", Ctrl+B, and the
// find-results window's batch command). No user interface here: the
// dialogs are BatchDialogs.h.
//
// Template: one line, cut at every comma into entries as a PatternList cuts
// a pattern list (blanks and tabs around an entry dropped, empty entries
// skipped). Each entry gives one line per item, with these codes replaced:
//   $N the item's name, $B its base name (up to the last "."), $E its
//   extension (after the last "."), $P the folder holding the item, $L and
//   $R the left and right panes' folders, $I the inactive pane's folder;
//   "$" and digits: the number plus the item's counter (0 for the first
//   item, one more per item), padded with "0" to as many characters as
//   there were digits ("$01" gives 01, 02, ...).
// A code without a value ("$E" of a name without an extension, "$X") stays
// in the line as written. Letters are case-sensitive.
//
// The script runs in the POSIX shell, and names must never run as code
// there, so every value of a letter code is made safe for the place the
// template puts it:
// - outside quotes, a value holding anything but letters, digits and
//   "_@%+=:,./-" is put in single quotes (a "'" in it written as '\'');
// - inside the template's own single quotes, a "'" in the value closes the
//   quotes, is escaped and opens them again;
// - inside the template's own double quotes, "$", "`", "\" and '"' in the
//   value are escaped with a backslash;
// - a name ($N, $B) that starts a shell word and begins with "-" is written
//   "./-...", so that no command takes it for an option.
// - a code after a backslash (outside single quotes) stays as written: the
//   backslash makes it literal text, as the shell would, and a value there
//   would lose the protection of its first quote.
// So "cp $N $R", "cp '$N' '$R'" and "cp \"$N\" \"$R\"" all copy a file named
// $(touch P) as that file. Lines are never cut, however long.

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

/// Longest template, in characters.
inline constexpr int kBatchTemplateLimit = 512;
/// Longest script the review dialog holds, in characters.
inline constexpr int kBatchScriptLimit = 30000;
/// The script's first two lines.
inline const QString kBatchScriptHeader =
    QStringLiteral("#!/bin/sh\n# Created automatically by Corvane\n");

/// One item of a generation: its name and the path of the folder holding
/// it.
struct BatchItem {
    QString name;
    QString folder;
};

/// The pane folders fixed at the start of a generation.
struct BatchPaths {
    QString left;      // $L
    QString right;     // $R
    QString inactive;  // $I
};

/// The entries of a template; empty when it has none (only commas and
/// blanks).
QStringList ParseBatchTemplate(const QString& templateText);

/// One entry expanded for one item with the item's counter (see the top of
/// this file).
QString ExpandBatchEntry(const QString& entry, const BatchItem& item, const BatchPaths& paths,
                         int counter);

/// The whole script: the header, then for each item in order each entry
/// expanded, every line ended by "\n".
QString GenerateBatchScript(const QStringList& entries, const std::vector<BatchItem>& items,
                            const BatchPaths& paths);

/// `value` quoted for the POSIX shell: as it is when it holds only letters,
/// digits and "_@%+=:,./-" (and is not empty), else in single quotes.
QString ShellQuote(const QString& value);
