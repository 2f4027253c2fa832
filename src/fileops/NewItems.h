#pragma once
// New empty files and folders with free default names, for the new file
// (F7) and new folder (F8) commands (CPaneFileUtils).

#include <QByteArray>
#include <QString>
#include <functional>

/// The default names: "New File" with ".txt", and "New Folder".
inline const QString kNewFileBase = QStringLiteral("New File");
inline const QString kNewFileExtension = QStringLiteral(".txt");
inline const QString kNewFolderBase = QStringLiteral("New Folder");

/// The first default name not taken in `folder`: the base name (with the
/// extension for a file), then the base followed by 2, 3, ... before the
/// extension ("New File2.txt", "New Folder2"). A name is taken when
/// anything of that name exists, a dangling link included. Empty when the
/// folder can't be looked into, or has every name up to 2^31 taken.
QString FreeDefaultName(const QByteArray& folder, bool isFolder);
/// The same default name for a folder that is not looked into (a remote
/// folder read through GIO): the first that `listed` says is not there.
QString FreeDefaultName(bool isFolder, const std::function<bool(const QString&)>& listed);

/// Creates `name` in `folder`: a folder, or an empty file created new (it
/// must not exist; an existing file or planted link is never opened). False
/// when it could not be made.
bool CreateNewItem(const QByteArray& folder, const QString& name, bool isFolder);
