#include "editor/TextSearch.h"

#include <QString>
#include <cstring>

namespace {

bool IsWordByte(unsigned char c) {
    return c >= 0x80 || c == '_' || (c >= '0' && c <= '9') ||
           ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
}

unsigned char Fold(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? c | 0x20 : c;
}

bool IsLetter(unsigned char c) {
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

bool EqualsFolded(const unsigned char* at, const unsigned char* needle, qint64 n) {
    for (qint64 i = 0; i < n; ++i)
        if (Fold(at[i]) != Fold(needle[i]))
            return false;
    return true;
}

bool IsWholeWord(QByteArrayView text, qint64 at, qint64 n) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    if (at > 0 && IsWordByte(bytes[at - 1]))
        return false;
    return at + n >= text.size() || !IsWordByte(bytes[at + n]);
}

// The next position in [at, last] whose byte folds to `first`: blocks of 64
// bytes are tested at once (the compiler turns the test into vector code),
// since most blocks of a large text hold no candidate.
const unsigned char* NextFoldedCandidate(const unsigned char* at, const unsigned char* last,
                                         unsigned char first) {
    while (at + 64 <= last + 1) {
        unsigned char any = 0;
        for (int i = 0; i < 64; ++i) any |= (at[i] | 0x20) == first;
        if (any)
            break;
        at += 64;
    }
    for (; at <= last; ++at)
        if ((*at | 0x20) == first)
            return at;
    return nullptr;
}

}  // namespace

std::optional<qint64> FindForward(QByteArrayView text, QByteArrayView needle, qint64 from,
                                  qint64 to, FindFlags flags) {
    const qint64 n = needle.size();
    from = std::max<qint64>(from, 0);
    to = std::min<qint64>(to, text.size());
    if (n == 0 || to - from < n)
        return std::nullopt;
    const auto* base = reinterpret_cast<const unsigned char*>(text.data());
    const auto* pattern = reinterpret_cast<const unsigned char*>(needle.data());
    const unsigned char* at = base + from;
    const unsigned char* last = base + to - n;  // the last possible start
    const bool folded = !flags.matchCase && IsLetter(pattern[0]);
    while (at <= last) {
        const unsigned char* hit;
        if (flags.matchCase) {
            hit = static_cast<const unsigned char*>(memmem(at, last - at + n, pattern, n));
        } else if (folded) {
            hit = NextFoldedCandidate(at, last, Fold(pattern[0]));
            if (hit && !EqualsFolded(hit, pattern, n)) {
                at = hit + 1;
                continue;
            }
        } else {
            hit = static_cast<const unsigned char*>(std::memchr(at, pattern[0], last - at + 1));
            if (hit && !EqualsFolded(hit, pattern, n)) {
                at = hit + 1;
                continue;
            }
        }
        if (!hit)
            return std::nullopt;
        if (!flags.wholeWord || IsWholeWord(text, hit - base, n))
            return hit - base;
        at = hit + 1;
    }
    return std::nullopt;
}

std::optional<qint64> FindLast(const ForwardFind& find, qint64 n, qint64 from, qint64 to) {
    // The first hit in the range; without one there is no last.
    const std::optional<qint64> first = find(from, to);
    if (!first)
        return std::nullopt;
    const qint64 f = *first;
    // Windows from the end towards F.
    qint64 end = to;
    const qint64 reach = n >= 1024 ? 2 * n : 1024;
    do {
        const qint64 start = std::max(f, end - reach);
        if (std::optional<qint64> hit = find(start, end)) {
            qint64 last = *hit;
            while (last + n + 1 <= end) {
                const std::optional<qint64> next = find(last + 1, end);
                if (!next)
                    break;
                last = *next;
            }
            return last;
        }
        end = start + n - 1;
    } while (end >= n + f);
    return f;
}

WrapResult FindWithWrap(const ForwardFind& find, qint64 n, qint64 selStart, qint64 selEnd,
                        qint64 length, std::optional<qint64> rangeEnd, bool backwards,
                        bool cyclic) {
    WrapResult result;
    // The part after the selection (before it, backwards).
    const qint64 from = backwards ? 0 : (selEnd > selStart ? selStart + 1 : selStart);
    const qint64 to = backwards ? selStart : rangeEnd.value_or(length);
    result.hit = backwards ? FindLast(find, n, from, to) : find(from, to);
    if (result.hit)
        return result;
    // The other part.
    if (cyclic && !rangeEnd) {
        result.hit = backwards ? FindLast(find, n, selStart, length) : find(0, from);
        result.wrapped = result.hit.has_value();
    }
    return result;
}

BraceMatch MatchBrace(QByteArrayView text, qint64 selStart, qint64 selEnd) {
    BraceMatch match;
    qint64 a = selStart;
    qint64 b = selEnd;
    while (a < b && (text[a] == ' ' || text[a] == '\t')) ++a;
    while (b > a && (text[b - 1] == ' ' || text[b - 1] == '\t')) --b;
    const char* found = b - a == 1 ? std::strchr(kBraces, text[a]) : nullptr;
    if (!found || *found == '\0')
        return match;
    match.brace = a;
    match.result = BraceMatch::Result::Unbalanced;
    const int index = int(found - kBraces);
    const bool opening = index < 4;
    const char brace = text[a];
    const char partner = kBraces[opening ? index + 4 : index - 4];
    qint64 start = opening ? selEnd : 0;
    qint64 end = opening ? text.size() : selStart;
    qint64 depth = 0;
    while (start < end) {
        // The next partner in the search's direction.
        qint64 p = -1;
        if (opening) {
            const void* at = std::memchr(text.data() + start, partner, end - start);
            p = at ? static_cast<const char*>(at) - text.data() : -1;
        } else {
            for (qint64 i = end - 1; i >= start; --i)
                if (text[i] == partner) {
                    p = i;
                    break;
                }
        }
        if (p < 0)
            return match;
        // Count the braces passed on the way.
        const qint64 countFrom = opening ? start : p + 1;
        const qint64 countTo = opening ? p : end;
        for (qint64 i = countFrom; i < countTo; ++i) depth += text[i] == brace;
        // Balanced: this partner closes it.
        if (depth == 0) {
            match.result = BraceMatch::Result::Found;
            match.partner = p;
            return match;
        }
        --depth;
        if (opening)
            start = p + 1;
        else
            end = p;
    }
    return match;
}
