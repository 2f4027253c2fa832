#pragma once
// The user's document templates (the Templates folder of xdg-user-dirs):
// what the "Shell new" submenu of a folder's background lists, and making a
// new file from one.

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

/// One template: a file, or a sub-folder of templates shown as a submenu.
struct TemplateEntry {
    QString displayName;                  // the file name without its extension, for display
    QByteArray fileName;                  // raw bytes
    QByteArray path;                      // raw bytes, absolute
    std::vector<TemplateEntry> children;  // of a sub-folder
    bool folder = false;
};

/// XDG_TEMPLATES_DIR of $XDG_CONFIG_HOME/user-dirs.dirs, else ~/Templates
/// (which need not exist); empty when it is switched off (set to the home
/// folder). Reads one small file.
QByteArray TemplatesDirectory();

/// The templates in `directory`: regular files (and links to them) sorted by
/// display name case-blind, hidden names and backup files ("~" ending) left
/// out; sub-folders down to `depth` levels become entries with children
/// (empty ones are left out). An unreadable or missing folder gives none.
/// Cost: one directory read and one stat per entry.
std::vector<TemplateEntry> ListTemplates(const QByteArray& directory, int depth = 2);

/// Copies the template at `templatePath` into `folder` under the template's
/// own name, or "name (2).ext" and so on when that is taken. The target is
/// created exclusively, so an existing entry (or a link planted under the
/// name) is never written through; a copy that fails part way is removed.
/// The new file keeps the template's permission bits. Gives the new name,
/// or nullopt with a text for the user in `error`.
std::optional<QByteArray> CreateFromTemplate(const QByteArray& templatePath,
                                             const QByteArray& folder, QString* error = nullptr);
