#pragma once
// The criteria of "Find files or folders": what one run keeps between its
// find dialogs ("Find File/Folder Settings"), what each dialog holds, the
// date fields' exchange with the locale's short-date format, and the
// checks "&Find" makes, in their order.
//
// Nothing here shows a widget: the checks return the message and the
// control it concerns, and the dialog (FindFilesDialog.h) shows it. So the
// rules are tested without a screen.
//
// The run-wide values are loaded from the store the first time a dialog is
// built in the run and written at exit only when a dialog was built (the
// owner registers the saver then). Main thread only.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "tools/ScanFileForText.h"

class HistoryList;
class ProfileStore;

inline const QString kFindSettingsSection = QStringLiteral("Find File/Folder Settings");
inline const QString kFindLookInHistorySection = QStringLiteral("FindFile LookIn History");

namespace FindKeys {
inline const QString kRecursive = QStringLiteral("bRecursiveFind");
inline const QString kPrevCount = QStringLiteral("nDateHowManyBack");
inline const QString kPrevUnits = QStringLiteral("nPrevDateUnits");
inline const QString kKiloBytes = QStringLiteral("nkByteSize");
inline const QString kSizeConstraint = QStringLiteral("nSizeConstraint");
inline const QString kDateMethod = QStringLiteral("nDateMethod");
inline const QString kAutoPad = QStringLiteral("bAutoPadWildcard");
}  // namespace FindKeys

namespace FindTexts {
inline const QString kDialogTitle = QStringLiteral("Find files or folders");
inline const QString kLookInEmpty = QStringLiteral("The \"Look in\" field should not be empty.");
inline const QString kRootInvalid = QStringLiteral("The root folder of the search is invalid");
inline const QString kSomeFolderInvalid =
    QStringLiteral("Some folder in the 'Look In' list is invalid");
inline const QString kFromAfterUntil =
    QStringLiteral("The 'From' date cannot be later than 'Until' one.");
inline const QString kNoText = QStringLiteral("Text to be found was not specified");
inline const QString kUnconstrained = QStringLiteral(
    "The search cannot be completely unconstrained.\nYou should at least specify a search "
    "pattern.");
inline const QString kDateFormat = QStringLiteral("Use '%1' format for the date");
inline const QString kBrowsePrompt = QStringLiteral("Select the root folder for the search");
}  // namespace FindTexts

/// The units of "During the &previous": hours, days, months of 30 days.
enum FindPrevUnits { kPrevHours = 0, kPrevDays = 1, kPrevMonths = 2 };
/// "nSizeConstraint": 0 "at least", 1 "at most".
enum FindSizeKind { kSizeAtLeast = 0, kSizeAtMost = 1 };
/// "nDateMethod": 0 "&Between", 1 "During the &previous".
enum FindDateMethod { kDateBetween = 0, kDatePrevious = 1 };

/// One set per run, shared by every find dialog.
struct FindCriteria {
    bool recursive = true;          // "bRecursiveFind"
    int prevCount = 1;              // "nDateHowManyBack", 0 and above
    int prevUnits = kPrevHours;     // "nPrevDateUnits", 0..2
    int kiloBytes = 10;             // "nkByteSize", 0 and above
    int sizeKind = kSizeAtLeast;    // "nSizeConstraint"
    int dateMethod = kDateBetween;  // "nDateMethod"
    bool autoPad = true;            // "bAutoPadWildcard"
    std::optional<QDate> from;      // not stored; null at first
    std::optional<QDate> until;     // not stored; today at first (set by Load)
    bool loaded = false;            // a dialog was built in this run

    /// Reads the seven stored values (a value out of its range takes the
    /// default: a unit of 7 reads as hours) and sets the until date to today.
    void Load(const ProfileStore& store, const QDate& today);
    /// Writes the seven stored values.
    void Save(ProfileStore& store) const;
};

/// The run's criteria and the look-in history ("FindFile LookIn History").
FindCriteria& RunFindCriteria();
HistoryList& FindLookInHistory();

// -- Date exchange ---------------------------------------------------------------

/// The pattern the date fields show and the date message names: the locale's
/// short-date pattern with a four-digit year (a two-digit one is ambiguous).
QString FindDateFormat();
/// The text of a date field: empty for none.
QString FormatFindDate(const std::optional<QDate>& date);
/// What a date field's text gives. `ok` false: the text is no date (the
/// message "Use '%s' format for the date" follows). A trimmed empty text,
/// and a text that holds only a time of day, give no date (ok).
struct DateTake {
    bool ok = true;
    std::optional<QDate> date;
};
DateTake TakeFindDate(const QString& text);

// -- The dialog's values and the checks of "&Find" ---------------------------------

/// The controls a check names (the dialog gives them the focus).
enum class FindControl { None, LookIn, FromDate, UntilDate, FindWhat, Named };

/// What one dialog holds when "&Find" is pressed.
struct FindDialogValues {
    QString named;
    QString lookIn;
    QString findWhat;
    bool useDates = false;
    bool useSize = false;
    bool useText = false;
    QString fromText;
    QString untilText;
    // The run-wide controls.
    bool recursive = true;
    int prevCount = 1;
    int prevUnits = kPrevHours;
    int kiloBytes = 10;
    int sizeKind = kSizeAtLeast;
    int dateMethod = kDateBetween;
    TextScanOptions textOptions;
};

/// A check that failed: the message, whether it carries the warning icon
/// (the date message does not), and the control to focus.
struct FindCheckFailure {
    QString message;
    bool warning = true;
    FindControl control = FindControl::None;
};

/// Resolves one look-in entry to a file-system folder path; nullopt when it
/// names none.
using LookInResolver = std::function<std::optional<QString>(const QString& entry)>;
/// The resolver of the program: "~" expanded, then the namespace's parsing
/// name of the entry, which must be an existing directory.
std::optional<QString> ResolveLookInEntry(const QString& entry);

/// What "&Find" makes of the values when every check passes: the criteria
/// that remain on, the texts in their normal forms, and the folders to walk.
struct FindChecked {
    bool useDates = false;
    bool useSize = false;
    bool useText = false;
    QString named;        // trimmed, "*" when empty
    QString lookIn;       // the list in its normal form
    QStringList folders;  // resolved, in order
    QString findWhat;
};

/// The steps of "&Find": the date fields are taken (a bad one fails with
/// the date message), the run-wide values take the dialog's (also when a
/// later check fails), then look in, dates, size, text and named are
/// checked in that order; the first failure is returned. `values` is
/// updated as the dialog would be (the look-in text in its normal form,
/// the dates as taken, a null until date set to today). `today` is the
/// current date. The histories are not touched here (AddFindHistories).
std::optional<FindCheckFailure> CheckFindValues(FindDialogValues& values, FindCriteria& criteria,
                                                const QDate& today, const LookInResolver& resolve,
                                                FindChecked* checked);

/// The look-in, find-what and named texts to the front of their
/// histories, in that order (empty texts are not added).
void AddFindHistories(const FindChecked& checked);

/// "Scan &all drives": the mount points of the user-visible local volumes
/// that are fixed disks, in mount order, joined by "," without blanks.
QString AllLocalVolumesText();
