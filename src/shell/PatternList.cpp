#include "shell/PatternList.h"

#include <QChar>

#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"

namespace {

constexpr char32_t kStar = U'*';
constexpr char32_t kQuestion = U'?';

// The code point at `at` of a UTF-16 text and its length in code units. A
// lone surrogate (the escape of a byte that is not UTF-8) is a character of
// its own.
inline char32_t CodePointAt(const QChar* text, qsizetype length, qsizetype at, int& units) {
    const char16_t c = text[at].unicode();
    if (QChar::isHighSurrogate(c) && at + 1 < length && text[at + 1].isLowSurrogate()) {
        units = 2;
        return QChar::surrogateToUcs4(c, text[at + 1].unicode());
    }
    units = 1;
    return c;
}

inline char32_t Fold(char32_t c) {
    if (c < 0x80)
        return (c >= U'A' && c <= U'Z') ? c + 32 : c;
    return QChar::toCaseFolded(c);
}

std::u32string FoldPattern(QStringView pattern) {
    std::u32string folded;
    folded.reserve(size_t(pattern.size()));
    for (qsizetype at = 0; at < pattern.size();) {
        int units;
        folded.push_back(Fold(CodePointAt(pattern.data(), pattern.size(), at, units)));
        at += units;
    }
    return folded;
}

// Anchored wildcard matching of a name against a folded pattern. This is the
// recursive definition (a star tries every run length, shortest first)
// worked iteratively: only the last star needs to be retried, because any
// match an earlier star could still find by growing its run, the last star
// finds by growing its own. So a failed attempt resumes after the last star
// with its run one character longer, and the work is bounded by the product
// of the lengths.
bool MatchFolded(QStringView name, const std::u32string& pattern) {
    const QChar* text = name.data();
    const qsizetype length = name.size();
    const size_t patternLength = pattern.size();
    size_t p = 0;
    qsizetype n = 0;
    size_t afterStar = std::u32string::npos;  // pattern position after the last star
    qsizetype starRunEnd = 0;                 // name position where that star's run ends

    while (n < length) {
        if (p < patternLength && pattern[p] == kStar) {
            afterStar = ++p;
            starRunEnd = n;
            continue;
        }
        int units;
        const char32_t c = CodePointAt(text, length, n, units);
        if (p < patternLength && (pattern[p] == kQuestion || pattern[p] == Fold(c))) {
            ++p;
            n += units;
            continue;
        }
        if (afterStar == std::u32string::npos)
            return false;
        int runUnits;
        CodePointAt(text, length, starRunEnd, runUnits);
        starRunEnd += runUnits;
        n = starRunEnd;
        p = afterStar;
    }
    while (p < patternLength && pattern[p] == kStar) ++p;
    return p == patternLength;
}

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

}  // namespace

bool MatchPattern(const QString& name, const QString& pattern) {
    return MatchFolded(name, FoldPattern(pattern));
}

bool PatternList::Parse(const QString& text) {
    m_patterns.clear();
    m_folded.clear();
    m_excludes.clear();

    const qsizetype length = text.size();
    qsizetype at = 0;
    while (at < length) {
        while (at < length && IsBlank(text[at])) ++at;
        qsizetype end = text.indexOf(QLatin1Char(','), at);
        if (end < 0)
            end = length;
        qsizetype last = end;
        while (last > at && IsBlank(text[last - 1])) --last;
        if (last > at)
            m_patterns.append(text.mid(at, last - at));
        at = end + 1;
    }

    m_folded.reserve(size_t(m_patterns.size()));
    for (const QString& pattern : m_patterns) {
        const bool excludes = pattern.startsWith(QLatin1Char('-'));
        m_excludes.push_back(excludes);
        m_folded.push_back(FoldPattern(QStringView(pattern).mid(excludes ? 1 : 0)));
    }
    return !m_patterns.isEmpty();
}

bool PatternList::Matches(const QString& name) const {
    return Matches(QStringView(name));
}

bool PatternList::Matches(QStringView name) const {
    if (m_folded.empty())
        return true;
    bool included = false;
    bool hasInclusion = false;
    for (size_t i = 0; i < m_folded.size(); ++i) {
        if (m_excludes[i]) {
            if (MatchFolded(name, m_folded[i]))
                return false;
        } else {
            hasInclusion = true;
            if (!included)
                included = MatchFolded(name, m_folded[i]);
        }
    }
    return included || !hasInclusion;
}

QString PatternList::ToText() const {
    return m_patterns.join(QLatin1Char(','));
}

HistoryList& VisualFilterHistory() {
    static HistoryList history;
    return history;
}

void LoadVisualFilterHistory(const ProfileStore& store) {
    VisualFilterHistory().Load(General().historyItems, store, kVisualFilterHistorySection);
}

void SaveVisualFilterHistory(ProfileStore& store) {
    VisualFilterHistory().Save(General().historyItems, store, kVisualFilterHistorySection);
}
