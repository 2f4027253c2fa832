#pragma once
// HistoryList: the bounded, most-recent-first list of texts behind every
// history combo box (typed folders, commands, patterns, search texts, ...).
//
// Guarantees:
// - Entries are unique (exact, case-sensitive comparison) and never empty.
// - Entry 0 is the most recent.
// - The maximum length is the caller's on every call (the program passes the
//   general setting "nHistoryItems"); the list itself keeps none.
//
// Store format: one section per list, the entries under the keys "0", "1",
// ... in order.
//
// Cost: the lists are short (at most 50 entries), so every operation is a
// linear scan.

#include <QString>
#include <QStringList>
#include <optional>

class ProfileStore;
class QComboBox;

class HistoryList {
public:
    /// Puts `text` at the front: an equal entry moves there, anything else is
    /// inserted, and then, when the list is longer than `maximum`, its last
    /// entry is dropped. An empty text changes nothing.
    void Add(int maximum, const QString& text);

    /// The most recent entry; nullopt when the list is empty.
    std::optional<QString> First() const;

    /// Replaces the list by the entries of `section`: "0", "1", ... in order,
    /// stopping at the first missing or empty entry or after `maximum`
    /// entries; then drops every entry equal to an earlier one.
    void Load(int maximum, const ProfileStore& store, const QString& section);

    /// Writes the first `maximum` entries under "0", "1", ... Keys numbered
    /// beyond the list's length are not removed.
    void Save(int maximum, ProfileStore& store, const QString& section) const;

    /// Appends the first `maximum` entries to `combo`'s drop-down list in
    /// order, then sets its edit text to `text`, or, when `text` is empty
    /// and the list is not, to the most recent entry. A combo without an
    /// edit field shows the text as its current text where it is one of its
    /// items. Null `combo`: nothing.
    void FillCombo(int maximum, QComboBox* combo, const QString& text) const;

    const QStringList& entries() const { return m_entries; }
    int count() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    void Clear() { m_entries.clear(); }

private:
    QStringList m_entries;
};
