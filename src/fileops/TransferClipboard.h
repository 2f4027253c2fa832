#pragma once
// The program's side of the clipboard: copy and cut put a data object there
// (for other programs as MIME data: the file list and the cut/copy formats
// of the desktop's file managers; for ourselves the object itself, so the
// contents of archive entries can be pasted), and paste takes whatever is
// there: our own object while we still own the clipboard, else a snapshot of
// the other program's data.
//
// Main thread only.

#include <cstdint>
#include <memory>

#include "platform/namespace/ShellFolder.h"

/// Puts `data` on the clipboard with "Preferred DropEffect" `preferred` (5
/// for a copy, 6 for a cut). False when the clipboard refused it (no
/// clipboard, or the system did not take the data).
bool SetClipboardData(std::unique_ptr<ShellDataObject> data, std::uint32_t preferred);

/// The clipboard's data object, or nullptr when the clipboard holds nothing.
/// While the clipboard still holds what SetClipboardData put there, that
/// object (with its preferred effect); otherwise a snapshot of the
/// clipboard's MIME data (MimeDataObject).
std::shared_ptr<const ShellDataObject> ClipboardDataObject();

/// True while the clipboard offers something a paste can use: "Shell IDList
/// Array", file contents, or local file paths (the file list or the
/// desktop's copied-files formats).
bool ClipboardOffersTransfer();

/// True while the clipboard holds a cut made by this program (what the pane
/// shows ghosted).
bool ClipboardHoldsOurCut();

/// Empties the clipboard (after a move from it).
void EmptyClipboard();
