#pragma once
// The multi-rename engine: new names from masks, and the order of renames
// that carries a batch out without ever replacing a file. Pure functions of
// their arguments (no file system), so every rule can be tested alone; the
// renames themselves are RenameBatch's.
//
// Names are QStrings as NameCodec decodes them: a byte that is not part of
// valid UTF-8 is one escape character, which every rule here passes through
// as it is. A name the masks leave alone comes out with the same bytes.
//
// Masks. The name mask makes the part before the last dot, the extension
// mask the part after it (a name whose only dot is its first character has
// no extension). In either mask:
//   [N]      the old name without its extension
//   [E]      the old extension (without the dot)
//   [N2-5]   characters 2 to 5 of it (counted from 1, escapes count one);
//            [N3] the third alone, [N3-] from the third to the end,
//            [N-2] the first two; the same forms for [E]
//   [C]      the counter: start, then start + step for each further item,
//            zero-padded to the width
//   [Y] [M] [D]   year (4 digits), month and day (2) of the modified time
//   [h] [m] [s]   hour, minute and second of it (2 digits each)
//   [[ and ]]     a plain "[" and "]"
// Anything else between brackets is an error in the mask. Then the find and
// replace (plain text, or a regular expression whose replacement may name
// \1 ... \9) runs over the whole new name, then the case change.

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace RenameTexts {
inline const QString kBadPlaceholder = QStringLiteral("Unknown placeholder \"%1\" in the mask");
inline const QString kUnclosed = QStringLiteral("A \"[\" in the mask is never closed");
inline const QString kBadRange = QStringLiteral("The range in \"%1\" makes no sense");
inline const QString kBadRegex = QStringLiteral("The regular expression is not valid: %1");
inline const QString kEmptyName = QStringLiteral("the new name is empty");
inline const QString kSlash = QStringLiteral("a name can't hold \"/\"");
inline const QString kDots = QStringLiteral("\".\" and \"..\" are not names of files");
inline const QString kTooLong = QStringLiteral("the new name is longer than 255 bytes");
inline const QString kDuplicate = QStringLiteral("another item gets the same name");
inline const QString kExists = QStringLiteral("a file of this name is already there");
}  // namespace RenameTexts

struct RenameOptions {
    enum class Case { Unchanged, Lower, Upper, FirstOfWords, FirstOfName };

    QString nameMask = QStringLiteral("[N]");
    QString extMask = QStringLiteral("[E]");
    QString find;
    QString replace;
    bool regex = false;
    bool matchCase = true;  // for the find text
    Case caseChange = Case::Unchanged;
    qint64 counterStart = 1;
    qint64 counterStep = 1;
    int counterWidth = 1;
};

/// What a mask knows of one item.
struct RenameSource {
    QString name;
    QDateTime modified;  // local time; an invalid date gives "0000", "00"
};

/// Splits a name at its last dot: {"archive.tar", "gz"}; ".profile" and
/// "README" have no extension.
std::pair<QString, QString> SplitExtension(const QString& name);

/// Checks both masks and the find text; nullopt when they can be used, else
/// the reason in words for the user.
std::optional<QString> ValidateRenameOptions(const RenameOptions& options);

/// The new name of `source`, the `index`-th item of the batch (0 first).
/// Options must have passed ValidateRenameOptions (an invalid mask gives an
/// empty name).
QString ApplyRenameMask(const RenameOptions& options, const RenameSource& source, qint64 index);

/// Why a new name can't be used on its own (empty, holds "/", "." or "..",
/// more than 255 bytes as the file system counts them), or nullopt.
std::optional<QString> InvalidNameReason(const QString& name);

/// One row of a batch: the old name and the new one, and what stops it.
struct RenameRow {
    QString oldName;
    QString newName;
    QString conflict;  // empty when the row can be renamed
    bool Changes() const { return oldName != newName; }
};

/// Marks the rows' conflicts: an invalid new name; two rows with one new
/// name (both marked); a new name taken by a file of the folder that the
/// batch does not rename away (`existing`: every name in the folder).
/// Rows that change nothing have no conflict. Names compare exactly.
void MarkRenameConflicts(std::vector<RenameRow>& rows, const QSet<QString>& existing);

/// True when no row has a conflict and at least one changes a name.
bool RenameBatchReady(const std::vector<RenameRow>& rows);

/// One rename(2) of the batch.
struct RenameStep {
    QString from;
    QString to;
    int row = -1;         // the row it serves
    bool toTemp = false;  // parks the row under a temporary name
};

/// The renames that carry out `rows` (conflict-free) in the folder holding
/// `existing`, in an order where no step's target exists when it runs:
/// a row waits while another row still holds its new name; when only
/// cycles are left (a <-> b, a -> b -> c -> a), one row of the cycle first
/// moves to a temporary name that no file has and no row wants
/// (".cvrename-N"), which breaks the cycle. At most one temporary
/// per cycle; rows without a change give no step.
std::vector<RenameStep> PlanRenameSteps(const std::vector<RenameRow>& rows,
                                        const QSet<QString>& existing);
