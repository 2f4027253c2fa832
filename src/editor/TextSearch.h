#pragma once
// The editor's searches, on the text as the control holds it (UTF-8 bytes;
// offsets are byte offsets): the forward search primitive, the search for
// the last occurrence made of forward searches in windows, find with
// wrap-around, and brace matching.
//
// A match lies wholly inside its range: a search over [from, to] finds a
// position p with from <= p and p + n <= to.

#include <QByteArrayView>
#include <functional>
#include <optional>

struct FindFlags {
    bool matchCase = false;
    /// The bytes before and after a match must not be word characters
    /// (letters, digits, '_' and every byte of a multi-byte character).
    bool wholeWord = false;
};

/// A forward search over [from, to]; nullopt when there is no match.
using ForwardFind = std::function<std::optional<qint64>(qint64 from, qint64 to)>;

/// The first occurrence of `needle` in `text` within [from, to]. Without
/// match case, ASCII letters compare without regard to case; other bytes
/// compare exactly. An empty needle finds nothing.
std::optional<qint64> FindForward(QByteArrayView text, QByteArrayView needle, qint64 from,
                                  qint64 to, FindFlags flags);

/// The last occurrence in [from, to] of a text of length `n`, found with
/// forward searches only: first the first occurrence F; then windows that
/// end at `to` and reach back max(2n, 1024) characters (not below F), each
/// next window overlapping the last by n - 1.
std::optional<qint64> FindLast(const ForwardFind& find, qint64 n, qint64 from, qint64 to);

/// Where find with wrap-around landed.
struct WrapResult {
    std::optional<qint64> hit;
    /// The hit came from searching the other part of the text.
    bool wrapped = false;
};

/// Find with wrap-around for a text of length `n` with the selection
/// [selStart, selEnd] in a text of length `length`. `rangeEnd` nullopt
/// means "to the end" (the find commands); only then does a cyclic search
/// wrap. Forwards a non-empty selection is passed over (the search starts
/// one past its start).
WrapResult FindWithWrap(const ForwardFind& find, qint64 n, qint64 selStart, qint64 selEnd,
                        qint64 length, std::optional<qint64> rangeEnd, bool backwards, bool cyclic);

/// The braces; an opening one's partner is four places on.
inline constexpr char kBraces[] = "<{[(>}])";

/// The position of the partner of the brace that the selection
/// [selStart, selEnd] holds (the selected text, trimmed of blanks, must be
/// exactly one brace). `selectedBrace` is set to that brace's offset.
struct BraceMatch {
    enum class Result { Found, NotABrace, Unbalanced };
    Result result = Result::NotABrace;
    qint64 partner = -1;
    qint64 brace = -1;
};
BraceMatch MatchBrace(QByteArrayView text, qint64 selStart, qint64 selEnd);

inline const QString kWarpedNotice = QStringLiteral("Cursor warped round the file");
inline const QString kNotFoundNotice = QStringLiteral("The specified text cannot be located.");
inline const QString kNotABraceNotice = QStringLiteral("No single brace character is selected.");
inline const QString kUnbalancedNotice =
    QStringLiteral("The matching brace cannot be found (unbalanced ?)");
