#pragma once
// Bookmarks: six remembered folders, numbered 0..5, shared by both panes
// (Ctrl+digit goes to one, Ctrl+Shift+digit sets it to the pane's folder).
//
// They live in the store's section "BookMarks" under the keys "0".."5". The
// first pane loads them when it reads its settings and writes them when it
// writes its settings at exit (only when "bSaveSettings" is on, which the
// pane's SaveSettings decides). A bookmark is a text: a stored folder that
// no longer exists fails when it is used, like a typed one.
//
// Main thread only.

#include <QString>
#include <array>

class ProfileStore;

class Bookmarks {
public:
    static constexpr int kCount = 6;
    static inline const QString kSection = QStringLiteral("BookMarks");

    /// Reads the six keys (missing ones are unset).
    void Load(const ProfileStore& store);
    /// Writes the six keys (unset ones as empty texts).
    void Save(ProfileStore& store) const;

    /// Slot `n` (0..5); empty when unset or out of range.
    QString At(int n) const;
    bool IsSet(int n) const { return !At(n).isEmpty(); }
    /// Sets slot `n`; an index out of range does nothing.
    void Set(int n, const QString& path);
    void Clear();

    /// The menu text of the command for slot `n`: "&n: \"path\"\tCtrl+n"
    /// when set, "(press Ctrl+Shift+n to set)" otherwise.
    QString MenuText(int n) const;

private:
    std::array<QString, kCount> m_paths;
};

/// The process-wide bookmarks.
Bookmarks& TheBookmarks();
