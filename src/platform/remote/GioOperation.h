#pragma once
// GioOperation: copy, move, delete, new folder and rename where one side is
// a location GIO serves without a local path (a folder on another machine
// mounted without GVfs's FUSE bridge); the local side takes part as
// "file://" URIs. Where the bridge gives a local path, the file-operation
// engine (FileOperation.h) does the work instead, with its own promises.
//
// The work runs on a WorkerThread, since every GIO call may wait on the
// server. The calling thread, the main thread, waits for it the way the
// engine's foreground operation does: it keeps painting, shows the
// engine's progress dialog (FileOpProgressDialog) once the work lasts more
// than half a second, lets input reach that dialog only, and Cancel, Escape
// or closing it asks whether to stop. The questions are the engine's
// (FileOpQuestions: the conflict with an existing target, the per-item
// error, the permanent delete of an item that can't go to a trash), asked
// on the main thread while the worker waits for the answer.
//
// Guarantees:
// - A file is copied under a temporary name in its target folder
//   (".cvpart-<n>-<name>") and moved onto its own name only when complete;
//   a failed, skipped or cancelled copy leaves nothing under the real name,
//   and its temporary is removed. An existing target is replaced only when
//   the user said so, in that one move.
// - A move deletes a source only after its copy is complete, and a folder
//   only when everything it held was moved; within one location a move is
//   GIO's own (a rename on the server).
// - A delete removes folders depth first and never follows a link.
// - Names are raw bytes: GIO names each child from the bytes listed, so
//   spaces, newlines and bytes that are not UTF-8 reach the server as they
//   are.
//
// The work is the file-operation layer's (platform/fileop/GioFileOperation.h,
// which the concrete namespace installs at start-up): the folders that ask
// for it lie below that layer and reach it through RunGioOperation only.
// Without it installed, every request fails (nothing is done).
//
// Main thread only (RunGioOperation); the work itself is on the worker.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

class QWidget;

struct GioRequest {
    enum class Kind { Copy, Move, Delete, MakeFolder, Rename };
    Kind kind = Kind::Copy;
    /// The items, as URIs (Copy, Move, Delete; Rename: the one item).
    QStringList sources;
    /// The folder the items go into (Copy, Move), or the new folder is made
    /// in (MakeFolder), as a URI.
    QString target;
    /// MakeFolder: the new folder's name; Rename: the new name. Raw bytes.
    QByteArray name;
    /// Conflicts that allow it are answered Overwrite (Merge for folders).
    bool noConfirmation = false;
    /// Delete: the user asked for a permanent delete (Shift held): one
    /// confirmation for all instead of the question per item.
    bool permanent = false;
};

struct GioResult {
    bool aborted = false;  // cancelled by the user
    int done = 0;          // items (of `sources`) carried out whole
    int failed = 0;
    int skipped = 0;
    QStringList errors;  // every error text, in order
    /// MakeFolder and Rename: the URI of the item made.
    QString made;
};

/// Carries out `request` and returns when it has ended. `parent` owns the
/// progress dialog and the questions (may be null).
GioResult RunGioOperation(const GioRequest& request, QWidget* parent);

/// What carries the requests out; installed once, on the main thread,
/// before any folder is used.
using GioOperationRunner = GioResult (*)(const GioRequest& request, QWidget* parent);
void InstallGioOperationRunner(GioOperationRunner runner);

/// `folderUri` + "/" + the percent-encoded `name` (no slash doubled).
QString GioChildUri(const QString& folderUri, const QByteArray& name);
/// The last component of a URI, decoded to bytes.
QByteArray GioNameOfUri(const QString& uri);
/// The "file://" URI of a local absolute path (raw bytes).
QString GioUriOfPath(const QByteArray& path);
