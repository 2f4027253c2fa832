#pragma once
// Printed listings ("Print selection...") and copied names (Alt+C,
// Alt+Shift+C): the selection of a pane as text.
//
// The listing is written to the temporary file "CvDirListing" (replaced
// each time, never written through a planted file: ToolFiles.h) and opened
// in the editor, from which the user prints it. Its lines go through the
// general setting "szDirPrintFormat": three strings, name, size and date.
// A user's format is used only when it holds exactly three "%s"
// conversions (flags, width and precision allowed) and no other conversion
// ("%%" is a plain percent sign); any other is refused with a notice and
// the default "%-25s %10s %s\n" used, so no format can read what was not
// passed. The strings are formatted here, not by printf: widths count
// characters, not bytes.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

class CPanexView;

namespace ListingTexts {
inline const QString kDefaultFormat = QStringLiteral("%-25s %10s %s\n");
inline const QString kWriteFailed = QStringLiteral("I'm afraid this computer won't cooperate.");
inline const QString kFormatRefused = QStringLiteral(
    "The listing format \"szDirPrintFormat\" needs exactly three %s; the default one is used");
inline const QString kNamesCopied = QStringLiteral("Selected full name(s) copied to the clipboard");
}  // namespace ListingTexts

/// Writes `text` to the listing file at `path` (owner-only, replacing the
/// file, never through a planted one: WriteFileReplacing) and tells the
/// shell the file was made. False, with nothing written, when `path` is
/// empty or the write failed; the caller says so.
bool WriteListingFile(const QString& path, const QString& text);

/// Print a listing: writes `text` to the listing file at `path`
/// (WriteListingFile) and opens it with `open` (path, view only false),
/// which prints it from there; a beep without an opener. A write that
/// fails gives the notice ListingTexts::kWriteFailed and opens nothing.
void PrintListingFile(const QString& path, const QString& text,
                      const std::function<bool(const QString& path, bool viewOnly)>& open);

/// True when `format` holds exactly three "%s" conversions (each with any
/// of the flags "-+ #0", a decimal width and a "." precision) and no other.
bool IsValidListingFormat(const QString& format);

/// `format` (valid) with its three conversions replaced by `a`, `b`, `c`:
/// a width pads with blanks (on the right with "-"), a precision cuts.
QString FormatListingLine(const QString& format, const QString& a, const QString& b,
                          const QString& c);

/// One row of a listing: the texts the pane shows and the item's size.
struct ListingRow {
    QString name;
    QString size;
    QString date;
    std::uint64_t bytes = 0;
};

/// The listing's text: the title with `folder`, the heading with the date
/// label ("MODIFIED", "CREATED", "ACCESSED" by `dateKind`), a line per row,
/// and the totals line ("%lu item(s); %s %sin total", "bytes " when
/// `plainBytes`).
QString BuildListing(const QString& folder, int dateKind, const std::vector<ListingRow>& rows,
                     const QString& format, bool plainBytes);

/// The rows of `pane`'s selection, in list order, as the pane shows them.
std::vector<ListingRow> SelectionListingRows(CPanexView& pane);

/// The text Alt+C puts on the clipboard: the full paths joined by "\n"
/// (none after the last); with `shellQuoted` each quoted for the shell.
QString JoinNames(const QStringList& paths, bool shellQuoted);
