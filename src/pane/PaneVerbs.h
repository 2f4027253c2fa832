#pragma once
// The verbs of a shell context menu that a pane carries out with its own
// commands instead of the folder's: cutting, copying and deleting go
// through the program's clipboard and delete commands (so they behave the
// same from the menu as from the keyboard), and renaming through the
// pane's rename in place.

#include <QString>
#include <optional>

/// One row of the verb table.
struct PaneVerb {
    const char* verb;
    int command;
};

/// The table: "cut" ID_EDIT_CUT, "copy" ID_EDIT_COPY, "delete" ID_FILE_DELETE, "rename"
/// ID_FILE_RENAME.
const PaneVerb* PaneVerbs(int* count);

/// The command of a verb, compared case-blind; nullopt for any other verb.
/// Constant time (the table has four rows).
std::optional<int> PaneVerbCommand(const QString& verb);

/// The verb that pastes the clipboard into a folder.
inline const QString kPasteVerb = QStringLiteral("paste");
/// The verb of the properties dialog.
inline const QString kPropertiesVerb = QStringLiteral("properties");
