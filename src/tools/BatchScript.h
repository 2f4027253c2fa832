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
// there, so every value of a letter code is written for the place the
// template puts it, as the shell reads the whole script (ShellQuoting.h):
// a plain word, the template's own single or double quotes, backquotes
// (also inside double quotes), "$(...)", a comment (a line break in a
// name is written "?" there). A name ($N, $B) that starts a shell word and
// begins with "-" is written "./-...", so that no command takes it for an
// option. A code after a backslash (outside single quotes) stays as
// written: the backslash makes it literal text, as the shell would.
// A template that puts a code where no value can be quoted safely (inside
// "${...}", "$((...))" or a here-document, a comment inside a
// substitution) is refused by the template dialog; the script made from
// it anyway keeps such codes as written. Lines are never cut, however long.

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
/// expanded, every line ended by "\n". `*refused` (when given) tells
/// whether a code was kept as written because its place can't be quoted.
QString GenerateBatchScript(const QStringList& entries, const std::vector<BatchItem>& items,
                            const BatchPaths& paths, bool* refused = nullptr);

/// Whether every code of the template lands where its value can be quoted
/// (the template dialog refuses the others).
bool BatchTemplateIsSafe(const QStringList& entries);

/// `value` quoted for the POSIX shell: as it is when it holds only letters,
/// digits and "_@+=:,./-" (and is not empty), else in single quotes
/// (ShellQuoteWord).
QString ShellQuote(const QString& value);
