#pragma once
// Reading and writing the editor's files as bytes: what is loaded is what the
// control holds, and what is saved is what the control holds, so a file the
// user did not change is written back byte for byte (its line ends, a
// missing final line end, bytes that are not UTF-8).

#include <QByteArray>
#include <QString>
#include <optional>

/// The largest text the editor loads: 256 Mi characters.
inline constexpr qint64 kEditorTextLimit = 0x10000000;

/// The whole file, or nullopt with `error` set.
std::optional<QByteArray> ReadEditorFile(const QString& path, QString* error);

/// Writes `size` bytes at `data` to `path`. A new file is written under a
/// temporary name in the same folder and renamed over the old one, so a
/// failed save (a full disk) leaves the old file whole; a symbolic link is
/// written through to its target, and the file keeps its permissions. Where
/// the folder does not allow a new file, the file is written in place.
bool WriteEditorFile(const QString& path, const char* data, qint64 size, QString* error);

/// The line end the text uses first: 0 "\n", 1 "\r\n", 2 "\r"; "\n" when it
/// has none.
int DetectLineEnd(const char* data, qint64 size);

/// "name @ folder".
QString EditorTitle(const QString& path);
