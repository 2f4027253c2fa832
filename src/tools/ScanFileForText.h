#pragma once
// ScanFileForText: the one per-file text search of the program. The
// containing-text scan of a pane (TextScan.h) and the find-files search ask
// it, file by file, whether a file contains a text.
//
// The rules, in the order they apply:
// - A file that can't be opened, is shorter than the text, or fails to read
//   does not contain the text (0).
// - The file is read in blocks of 32,768 bytes (the file's length when it is
//   smaller). Consecutive blocks overlap by the text's length less one byte,
//   so a text that straddles two blocks is found.
// - Unless `searchBinFiles` is set, the first block's first 50 bytes (fewer
//   in a shorter file) must all be text bytes: a control character from 9
//   to 13 or any byte of 32 and above. A NUL or another control character
//   there makes the file "not text" (0), whatever follows.
// - Without `matchCase`, ASCII letters compare without regard to case, and
//   a window holding bytes above 127 compares as UTF-8 text folded by
//   Unicode case (the window is the text's length in bytes, so a letter
//   whose other case has another length in UTF-8 does not match).
// - With `wordsOnly`, a match counts only when neither neighbour byte is a
//   word character (A-Z, a-z, 0-9, "_"). The neighbour before a match at
//   the start of a block, and after one at the end of a block, counts as no
//   character: the byte across the block boundary is not looked at.
// - Before each block `pollEscape` (when given) is asked; true ends the
//   search with -1.
//
// No user interface, no Qt event loop, no global state: it may run on any
// thread (the find worker runs it on its own). Cost: one open, one fstat
// and one read per block; candidate positions are found with memchr on the
// text's anchor byte (its least common byte that no case rule can change,
// or both cases of its first letter), so a block without it costs one pass
// at memory speed.

#include <QByteArray>
#include <functional>

/// The options of the scan; "Grep Settings" holds them (TextScan.h).
struct TextScanOptions {
    bool matchCase = false;       // "bMatchCase"
    bool wordsOnly = false;       // "bWordsOnly"
    bool searchBinFiles = false;  // "bSearchBinFiles"
};

/// The read block (without its terminating zero) and the text-file test
/// window.
inline constexpr int kScanBlockSize = 32768;
inline constexpr int kTextTestWindow = 50;

/// 1 when the file at `path` (raw name bytes) contains `text` under
/// `options`, 0 when it does not or cannot be searched, -1 when
/// `pollEscape` reported Escape. An empty text is found in every file that
/// can be opened and passes the text test.
int ScanFileForText(const QByteArray& path, const QByteArray& text, const TextScanOptions& options,
                    const std::function<bool()>& pollEscape = {});

/// As ScanFileForText, for the entry `name` of the folder open as
/// `folderFd` (opened with openat, so a walk that holds the folder open
/// saves the lookup of the whole path for every file).
int ScanFileForTextAt(int folderFd, const char* name, const QByteArray& text,
                      const TextScanOptions& options, const std::function<bool()>& pollEscape = {});

/// The search inside one block, for tests and callers holding the bytes:
/// true when `text` occurs in `block` (`length` bytes, followed by a zero
/// byte) under the case and word rules above.
bool BlockContainsText(const char* block, int length, const QByteArray& text,
                       const TextScanOptions& options);

/// The text-file test of the first block's first 50 bytes.
bool LooksLikeText(const char* block, int length);
