#pragma once
// NavigationList: one pane's history of the file-system folders it showed,
// with the item that had the focus when the pane left each of them, so that
// Back, Forward and going up return to the row the user was on.
//
// An entry is a folder path, optionally followed by a line feed and the name
// of the item focused when the pane left that folder. At most kMaxEntries
// entries are kept; there is a current position whenever the list is not
// empty.
//
// Paths are compared exactly: two folders whose names differ only in case
// are two folders.
//
// Main thread only (one list per pane). Cost: every operation is linear in
// the (bounded) entry count.

#include <QString>
#include <QStringList>
#include <optional>

class NavigationList {
public:
    static constexpr int kMaxEntries = 30;

    /// The pane leaves the current folder: the current entry loses its
    /// remembered name and, when `focusedName` is not empty, takes that one.
    /// Nothing when the list is empty.
    void Leave(const QString& focusedName);

    /// The pane entered the file-system folder `path`. When the current, the
    /// previous or the next entry has this path, that entry becomes current
    /// and its remembered name is the name to focus. Otherwise every entry
    /// after the current one is dropped, the path becomes the new current
    /// (last) entry, the oldest entry goes when there are more than
    /// kMaxEntries, and the name to focus is the one remembered with the
    /// most recent older entry of the same path. Gives the name to focus
    /// (empty for none).
    QString Enter(const QString& path);

    /// The path part of the previous / next entry; nullopt when there is
    /// none.
    std::optional<QString> PreviousPath() const;
    std::optional<QString> NextPath() const;

    /// A navigation by `text` failed: the previous or next entry whose path
    /// is `text` is removed (the current one never is), so that a folder
    /// that went away drops out of Back and Forward.
    void DropFailed(const QString& text);

    bool IsEmpty() const { return m_entries.isEmpty(); }
    int Count() const { return int(m_entries.size()); }
    /// The current position; -1 when the list is empty.
    int Current() const { return m_current; }
    /// The entries as stored (path, and "\n" and a name when one is kept).
    const QStringList& Entries() const { return m_entries; }

    /// The path part / the remembered name of an entry.
    static QString PathOf(const QString& entry);
    static QString NameOf(const QString& entry);

private:
    bool HasPath(int index, const QString& path) const;

    QStringList m_entries;
    int m_current = -1;
};
