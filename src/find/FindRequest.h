#pragma once
// FindRequest: the frozen criteria of one search, and the search itself.
//
// A request is built on the main thread from the checked dialog values and
// the run's criteria (BuildFindRequest), then read only by the search.
// RunFindSearch walks each look-in folder with the tree walker on the
// caller's thread (a worker's) and reports every entry that passes the
// tests, in this order, the first failure rejecting it:
//   1. name: the last component matches the pattern list (folders too);
//   2. date: the entry's date of the chosen kind (modified, created,
//      accessed; local time) lies in the window, both ends included, to the
//      second;
//   3. folders are rejected when a size or text test is on;
//   4. size: lies in the window, both ends included;
//   5. text: the file contains the text (ScanFileForText).
// Descent into a sub-folder does not depend on whether the folder itself
// matched. A folder is reported before its contents; the walker reports
// the entries of a folder before it enters its sub-folders. Symbolic links
// are reported like files and never entered; a folder met twice (a bind
// mount loop) is entered once. Hidden entries are searched like others.
// Unreadable folders and entries that vanish are passed over in silence.
//
// An entry's status is read only when a date or size test needs it; names
// are tested as bytes turned into names once (NameFromBytes), and reported
// as the exact bytes of their paths.
//
// The stop flag is read between entries and between the blocks of a text
// scan; once raised, the search ends at once, look-in folders not yet
// walked included.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>

#include "shell/PatternList.h"
#include "tools/ScanFileForText.h"

struct FindChecked;
struct FindCriteria;

struct FindRequest {
    bool useDates = false;
    bool useSize = false;
    bool useText = false;
    bool recursive = true;
    /// The find-what text as UTF-8 (only with useText).
    QByteArray text;
    TextScanOptions textOptions;
    /// The look-in text (the window's title shows it) and its folders as
    /// path bytes, in order.
    QString lookIn;
    QList<QByteArray> folders;
    /// From the named text, after the lone-"*" and padding rules; empty
    /// matches every name.
    PatternList patterns;
    /// Inclusive windows: seconds since the epoch (from local dates), bytes.
    std::int64_t dateFrom = 0;
    std::int64_t dateUntil = 0;
    std::uint64_t sizeMin = 0;
    std::uint64_t sizeMax = UINT64_MAX;
    /// Which date the date test reads: 0 modified, 1 created, 2 accessed.
    int dateKind = 0;
};

/// The pattern text a named text gives: a lone "*" gives the empty list;
/// with `autoPad`, a non-empty list and no "?" or "*" in the text, every
/// pattern that does not begin with "-" becomes "*" + pattern + "*", the
/// exclusions kept as typed. The list's normal form.
QString FindPatternText(const QString& named, bool autoPad);

/// The date window: "During the previous" n hours, days or months of 30
/// days back from `now`; "Between": from the from date's 00:00:00 (1900-01-01
/// without one) to the until date's 23:59:59 (local time).
void SetFindDateWindow(FindRequest& request, const FindCriteria& criteria, const QDateTime& now);
/// The size window: "at least" L .. 2^64-1, "at most" 0 .. L, with L the kB
/// value times 1024 in 64 bits.
void SetFindSizeWindow(FindRequest& request, const FindCriteria& criteria);

/// The whole request from checked values, the run's criteria, the shared
/// text options and the date kind ("eFileDateUzed").
FindRequest BuildFindRequest(const FindChecked& checked, const FindCriteria& criteria,
                             const TextScanOptions& textOptions, int dateKind,
                             const QDateTime& now);

enum class FindOutcome { Done, Stopped };

/// What the search tells its caller, on the caller's thread. `found` gets
/// each matching path; `folder` (may be null) each folder about to be read.
struct FindSink {
    std::function<void(QByteArray path)> found;
    std::function<void(const QByteArray& folder)> folder;
};

/// Walks the request's folders (see the top of this file).
FindOutcome RunFindSearch(const FindRequest& request, const std::atomic<bool>& stop,
                          const FindSink& sink);
