#pragma once
// Wildcard patterns and pattern lists: the visual filter of a pane, selection
// by pattern, the text scan and find files all name groups of files this way.
//
// A pattern list is one line of comma-separated patterns; a pattern starting
// with "-" excludes. Patterns have two wildcards: "*" matches any run of
// characters (the empty run too) and "?" exactly one character. There is no
// escape and no character class. Matching covers the whole name and ignores
// case (Unicode simple case folding of each character).
//
// Names are the QStrings of NameFromBytes(), so "one character" is one
// Unicode code point of a UTF-8 name, or one byte of a name that is not valid
// UTF-8 (each such byte is one escape character).

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class HistoryList;
class ProfileStore;

/// True when `name` matches `pattern` as a whole, case-blind. Cost: linear in
/// the name for patterns without "*"; at most (name length) x (pattern
/// length) steps otherwise, never exponential, and no allocation beyond one
/// folded copy of the pattern.
bool MatchPattern(const QString& name, const QString& pattern);

class PatternList {
public:
    /// Replaces the list by the patterns of `text`: the fields between commas,
    /// trimmed of blanks and tabs at both ends, in the order typed; empty
    /// fields are dropped. True when there is at least one pattern. A null or
    /// empty text empties the list.
    bool Parse(const QString& text);

    /// True when the list is empty, or when `name` matches no exclusion and
    /// either matches an inclusion or the list holds exclusions only.
    /// Exclusions win over inclusions whatever their order. Cost: one
    /// MatchPattern per pattern at most, with no allocation (the patterns
    /// are folded once by Parse).
    bool Matches(const QString& name) const;
    /// The same for a name that is a part of a longer text (the quick
    /// filter keeps a folder's names in one buffer).
    bool Matches(QStringView name) const;

    /// The patterns joined by "," without blanks: the canonical form the
    /// panes show and store.
    QString ToText() const;

    int count() const { return int(m_patterns.size()); }
    bool isEmpty() const { return m_patterns.isEmpty(); }
    /// The patterns as typed (an exclusion with its "-").
    const QStringList& patterns() const { return m_patterns; }

private:
    QStringList m_patterns;
    // Per pattern: its case-folded code points (an exclusion without its
    // "-") and whether it excludes.
    std::vector<std::u32string> m_folded;
    std::vector<bool> m_excludes;
};

/// The settings section of the visual filter history.
inline const QString kVisualFilterHistorySection = QStringLiteral("Visual Filter History");

/// The process-wide history of the visual filters set in the panes (newest
/// first). Main thread only.
HistoryList& VisualFilterHistory();
/// Loads and saves that history with the general setting "nHistoryItems" as
/// its maximum.
void LoadVisualFilterHistory(const ProfileStore& store);
void SaveVisualFilterHistory(ProfileStore& store);
