#include "tools/ScanFileForText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/fs/UniqueFd.h"
#include "tools/FullRead.h"

namespace {

bool IsAsciiLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsWordChar(unsigned char c) {
    return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_';
}

// How often a byte turns up in text and in binary files, roughly (higher
// is more common): the anchor of a search is the text's least common byte.
int Commonness(unsigned char c) {
    static const char* const kByFrequency = " etaoinsrhldcumfpgwybvkxjqz";
    if (c == 0 || c == 0xff)
        return 60;  // padding of binary files
    const bool lower = (c >= 'a' && c <= 'z') || c == ' ';
    if (const char* at = lower ? std::strchr(kByFrequency, c) : nullptr)
        return 50 - int(at - kByFrequency);
    if (c == '\n' || c == '.' || c == ',' || c == '\t' || c == '_' || c == '(' || c == ')')
        return 20;
    if (c >= 'A' && c <= 'Z')
        return 12;
    if (c >= '0' && c <= '9')
        return 15;
    return 5;
}

bool IsAscii(const QByteArray& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return (unsigned char)c < 128; });
}

// The n-byte comparison without regard to case: ASCII letters fold by
// flipping their case bit. When that finds a difference and the text holds
// bytes above 127, the window is compared again as UTF-8 text folded by
// Unicode case. An ASCII text needs no second look: a window holding a
// multibyte character has fewer characters than the text, so no folding
// makes the two equal.
bool EqualIgnoringCase(const char* window, const QByteArray& text, bool textIsAscii) {
    const int n = int(text.size());
    for (int i = 0; i < n; ++i) {
        const auto a = (unsigned char)window[i];
        const auto b = (unsigned char)text[i];
        if (a == b || (IsAsciiLetter(a) && (a ^ 0x20) == b))
            continue;
        if (textIsAscii)
            return false;
        return QString::fromUtf8(window, n).compare(QString::fromUtf8(text), Qt::CaseInsensitive) ==
               0;
    }
    return true;
}

// The scan of one block, with the per-text facts worked out once.
class BlockSearcher {
public:
    BlockSearcher(const QByteArray& text, const TextScanOptions& options)
        : m_text(text), m_options(options), m_ascii(IsAscii(text)) {
        if (m_text.isEmpty())
            return;
        if (options.matchCase) {
            // Every byte must appear as it is: the rarest one is the anchor,
            // so memchr stops as seldom as it can.
            m_anchor = 0;
            for (int i = 1; i < int(m_text.size()); ++i) {
                if (Commonness((unsigned char)m_text[i]) <
                    Commonness((unsigned char)m_text[m_anchor]))
                    m_anchor = i;
            }
            return;
        }
        const auto first = (unsigned char)m_text[0];
        // An ASCII text compares byte for byte after folding letters, so any
        // non-letter byte of it must appear as it is in a match: the anchor
        // memchr looks for. With bytes above 127 in the text only the first
        // byte is a safe anchor (the quick test of the scan).
        if (m_ascii) {
            for (int i = 0; i < int(m_text.size()); ++i) {
                if (!IsAsciiLetter((unsigned char)m_text[i])) {
                    m_anchor = i;
                    break;
                }
            }
        } else if (!IsAsciiLetter(first)) {
            m_anchor = 0;
        }
        if (m_anchor < 0) {
            m_first = char(first);
            m_flipped = char(first ^ 0x20);
        }
    }

    bool Contains(const char* block, int length) const {
        const int n = int(m_text.size());
        if (length < n)
            return false;
        if (n == 0)
            return true;
        const int last = length - n;  // the last start where n bytes fit
        int pos = 0;
        while (pos <= last) {
            const int found = NextCandidate(block, pos, last);
            if (found < 0)
                return false;
            if (Matches(block + found) && WordRuleHolds(block, length, found))
                return true;
            pos = found + 1;
        }
        return false;
    }

private:
    // The first start at or after `pos` (up to `last`) whose anchor byte is
    // in place and that passes the quick test; -1 when none.
    int NextCandidate(const char* block, int pos, int last) const {
        if (m_anchor >= 0) {
            const char anchor = m_text[m_anchor];
            int from = pos + m_anchor;
            const int end = last + m_anchor;  // inclusive
            while (from <= end) {
                const void* hit = std::memchr(block + from, anchor, size_t(end - from + 1));
                if (!hit)
                    return -1;
                const int at = int(static_cast<const char*>(hit) - block) - m_anchor;
                if (QuickTest((unsigned char)block[at]))
                    return at;
                from = at + m_anchor + 1;
            }
            return -1;
        }
        // A text that begins with a letter and has no other anchor: the
        // nearer of the two cases of its first letter.
        const size_t span = size_t(last - pos + 1);
        const void* a = std::memchr(block + pos, m_first, span);
        const void* b = std::memchr(block + pos, m_flipped, span);
        if (!a && !b)
            return -1;
        const char* hit = static_cast<const char*>(!a ? b : !b ? a : std::min(a, b));
        return int(hit - block);
    }

    bool QuickTest(unsigned char c) const {
        const auto first = (unsigned char)m_text[0];
        return c == first || (IsAsciiLetter(c) && (c ^ 0x20) == first);
    }

    bool Matches(const char* window) const {
        if (m_options.matchCase)
            return std::memcmp(window, m_text.constData(), size_t(m_text.size())) == 0;
        return EqualIgnoringCase(window, m_text, m_ascii);
    }

    bool WordRuleHolds(const char* block, int length, int at) const {
        if (!m_options.wordsOnly)
            return true;
        const int n = int(m_text.size());
        // The block is followed by its zero terminator, so the byte after a
        // match that ends the block reads as no character.
        const auto before = at > 0 ? (unsigned char)block[at - 1] : 0;
        const auto after = at + n < length ? (unsigned char)block[at + n] : 0;
        return !IsWordChar(before) && !IsWordChar(after);
    }

    const QByteArray& m_text;
    TextScanOptions m_options;
    bool m_ascii;
    int m_anchor = -1;
    char m_first = 0;
    char m_flipped = 0;
};

}  // namespace

bool LooksLikeText(const char* block, int length) {
    const int window = std::min(length, kTextTestWindow);
    for (int i = 0; i < window; ++i) {
        const auto c = (unsigned char)block[i];
        // Bytes above 127 are text too: they are how UTF-8 writes every
        // letter outside ASCII, and text files here are UTF-8.
        if ((c >= 9 && c <= 13) || c >= 32)
            continue;
        return false;
    }
    return true;
}

bool BlockContainsText(const char* block, int length, const QByteArray& text,
                       const TextScanOptions& options) {
    return BlockSearcher(text, options).Contains(block, length);
}

namespace {

// O_NONBLOCK so that a FIFO or a device in the folder can't hang the scan
// in open(); anything but a regular file is not searched.
constexpr int kScanOpenFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

int ScanOpenFile(const UniqueFd& fd, const QByteArray& text, const TextScanOptions& options,
                 const std::function<bool()>& pollEscape);

}  // namespace

int ScanFileForText(const QByteArray& path, const QByteArray& text, const TextScanOptions& options,
                    const std::function<bool()>& pollEscape) {
    UniqueFd fd(::open(path.constData(), kScanOpenFlags));
    if (!fd)
        return 0;
    return ScanOpenFile(fd, text, options, pollEscape);
}

int ScanFileForTextAt(int folderFd, const char* name, const QByteArray& text,
                      const TextScanOptions& options, const std::function<bool()>& pollEscape) {
    UniqueFd fd(::openat(folderFd, name, kScanOpenFlags));
    if (!fd)
        return 0;
    return ScanOpenFile(fd, text, options, pollEscape);
}

namespace {

int ScanOpenFile(const UniqueFd& fd, const QByteArray& text, const TextScanOptions& options,
                 const std::function<bool()>& pollEscape) {
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    const qint64 n = text.size();
    const qint64 fileLength = st.st_size;
    if (fileLength < n)
        return 0;
    const qint64 blockSize = std::min<qint64>(kScanBlockSize, fileLength);
    auto buffer = std::make_unique<char[]>(size_t(blockSize) + 1);
    const BlockSearcher searcher(text, options);

    qint64 offset = 0;
    qint64 remaining = fileLength;
    bool firstBlock = true;
    while (remaining > 0) {
        if (pollEscape && pollEscape())
            return -1;
        const qint64 want = std::min(blockSize, remaining);
        const qint64 got = ReadFull(fd.get(), buffer.get(), want, offset);
        if (got != want)
            return 0;  // a read error, or the file shrank under us
        buffer[size_t(got)] = 0;
        if (firstBlock && !options.searchBinFiles && !LooksLikeText(buffer.get(), int(got)))
            return 0;
        firstBlock = false;
        if (searcher.Contains(buffer.get(), int(got)))
            return 1;
        remaining -= got;
        offset += got;
        if (remaining > 0) {
            // Step back so that a text across the two blocks is found.
            const qint64 back = std::clamp<qint64>(n - 1, 0, got - 1);
            offset -= back;
            remaining += back;
        }
    }
    return 0;
}

}  // namespace
