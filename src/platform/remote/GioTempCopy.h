#pragma once
// GioTempCopy: a local copy of a file of a remote folder read through GIO
// (no local path), for viewing (F3) and editing (F4) it with programs that
// need a path, and the editing copy written back when it is saved.
//
// Each copy gets a private folder of its own in the temporary folder
// ("CvGio_XXXXXX", mode 0700), holding the file under its own name, so the
// editor shows the name the user knows. The folders are removed when the
// program ends. The copy is made by GioOperation (a worker, progress,
// Cancel): the window never waits on the server.
//
// Write-back: after WriteBackWhenSaved, each save of the copy (a change of
// its size or modified time, whether the editor rewrites the file or
// renames a new one onto it) is copied back over the remote file the same
// way: under a temporary name beside it, then moved onto it, so the remote
// file is the old one or the new one, never half of either. A failed write
// is told through the report function and asked again at the next save.
//
// Main thread only.

#include <QString>
#include <functional>

class QWidget;

/// The local copy of the remote file at `uri`; empty when it could not be
/// made (`whyNot`, when given, gets the reason, if one was shown to the
/// user it is empty).
QString GioTempCopy(const QString& uri, QWidget* parent, QString* whyNot = nullptr);

/// Writes the copy at `localPath` (made by GioTempCopy) back to `uri`
/// whenever it is saved, until the program ends. `report` gets a text for
/// the user after each write back (done or failed).
void WriteBackWhenSaved(const QString& localPath, const QString& uri,
                        std::function<void(const QString& text, bool failed)> report);
