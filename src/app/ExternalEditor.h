#pragma once
// The rules for opening a file in the external editor: when it is used, and
// the command line that starts it.

#include <QString>

/// True when a file is to open in the external editor: one is configured
/// (`useExternalEditor`) and either an edit is asked without Ctrl held or a
/// view with Ctrl held. So F4 edits externally and Ctrl+F4 internally, F3
/// views internally and Ctrl+F3 externally.
bool WantsExternalEditor(bool useExternalEditor, bool viewOnly, bool ctrlHeld);

/// `path` as one double-quoted argument of a command line for
/// SplitCommandLine: inside the quotes, '"', '\', '$' and '`' are escaped
/// with a backslash, so no file name can end the argument early or add
/// arguments of its own; and each '%' is written as '%' in single quotes
/// between two double-quoted runs, so that even an environment expansion
/// over the whole text (the editor's command as stored, when it holds this
/// path) would never see a "%NAME%" made of the file name's characters. The
/// split command line gives back exactly `path`.
QString QuoteCommandLineArgument(const QString& path);

/// The external editor's command line, for StartCommandLine: the editor
/// command with its environment references expanded (it is what the user
/// typed), a blank, and the path quoted by QuoteCommandLineArgument(),
/// which no expansion reaches: the rule of the command line's macros too.
QString ExternalEditorCommandLine(const QString& editorCommand, const QString& path);
