#pragma once
// Temporary copies of items that have contents but no path of their own
// (entries of archives): what a viewer or an application is given to open.
//
// Every copy is a new file of this user only (mode 0600) in the temporary
// folder ($TMPDIR, else QDir::tempPath()), named "CvTMP_%08x_%s" of a
// process-wide counter and the last component of the item's name with
// control characters taken out. It is created with O_CREAT|O_EXCL|
// O_NOFOLLOW, so a file or link planted at the name is never written
// through; a name that is taken moves on to the next counter value, a few
// times at most. A copy that fails part way is removed: no partial file
// stays under the name.

#include <QIODevice>
#include <QString>
#include <cstdint>
#include <functional>

/// The notice for an item that gets no temporary copy because it is larger
/// than the extraction limit.
inline const QString kTooLargeToViewText = QStringLiteral("This item is too large to be viewed");

/// The temporary folder copies are made in: $TMPDIR (without trailing
/// slashes, decoded losslessly) when set, else QDir::tempPath().
QString TempCopyFolder();

/// The part of a copy's name that comes from the item: the last component
/// of `name` without control characters, never empty, "." or "..", at most
/// 240 bytes (whole characters), so that the whole name fits NAME_MAX.
QString TempCopyComponent(const QString& name);

/// Writes at most `size` bytes of `stream` (opened for reading when it is
/// not open yet, and read from its start) to a new temporary file named
/// after `name`. Gives the file's path, or an empty string with the reason
/// in `whyNot` (when given): the stream's error (a damaged archive), or the
/// file system's. Cost: one exclusive create and the copy, in blocks of
/// 32768 bytes.
QString WriteTempCopy(QIODevice& stream, const QString& name, std::uint64_t size,
                      QString* whyNot = nullptr);

/// The largest item that gets a temporary copy, in bytes: what the source
/// installed by SetMaxExtractSizeSource says (the program's "nMaxExtractSize"
/// setting), else 262144.
std::uint64_t MaxExtractSize();
/// Installs where MaxExtractSize() comes from; an empty function restores
/// the default. Main thread.
void SetMaxExtractSizeSource(std::function<std::uint64_t()> source);

/// Keeps a temporary copy that was handed to another application until the
/// process ends: such a copy can't be deleted when its opener returns, since
/// the application reads it later. Every path kept is deleted at exit (or by
/// DeleteKeptTempCopies()).
void KeepTempCopyUntilExit(const QString& path);
/// Deletes the kept copies now; gives how many were deleted.
int DeleteKeptTempCopies();
