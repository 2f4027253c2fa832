#pragma once
// A small reader of POSIX shell text for the quoting harnesses, written
// apart from the quoting it checks: it turns a command text into the
// structure the shell would see (words of literal characters, operators,
// parameter expansions, command substitutions read recursively, tilde
// prefixes), so two texts can be compared by what the shell would do with
// them rather than by how they are spelled. Comments are dropped: no
// program reads them.
//
// It follows the shell's reading of quotes, backslashes (also the extra
// level inside backquotes, and '\"' there when the backquotes stand inside
// double quotes), "$(...)", "${...}" and "$name". Where the text goes
// beyond that (a here-document, "$((...))", "case" inside a substitution),
// it gives nothing, and the harness skips the input.

#include <QString>
#include <optional>

/// The structure of `text` as one serialised string (an injective code:
/// equal strings mean equal structures); nothing when the text holds what
/// the model does not follow. An unclosed quote or substitution is a
/// syntax error (`*syntaxError`), as the shell refuses such a text and
/// runs none of it.
std::optional<QString> ShellStructure(const QString& text, bool* syntaxError = nullptr);

/// How a literal text appears inside ShellStructure() output, to put one
/// value in place of another there.
QString ShellLiteral(const QString& text);
