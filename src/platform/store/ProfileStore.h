#pragma once
// ProfileStore: the settings store of one profile, with the profile function
// names the program's logic is written against.
//
// Backed by QSettings in IniFormat on one file. Sections are groups; a "\"
// in a section name becomes a "/" (QSettings reads "\" as a separator).
//
// Guarantees:
// - Reading never fails: a missing, unreadable or malformed file, a value of
//   the wrong type, an integer that is not a number or is out of the 32-bit
//   range, a text longer than kMaxTextLength or a binary value longer than
//   kMaxBinaryLength reads as the caller's default (nullopt for binary).
// - Writes are kept in memory until Flush(); nothing touches the file before
//   (the file's entries are read once into memory; no QSettings object stays
//   open on it). Pending writes are visible to reads at once.
// - So a store file that could not be read is never overwritten unless the
//   program saves its settings; and when it is, the original is first copied
//   aside (see DamagedBackupPath()), so nothing of the user's file is lost.
//   The same copy is made of a readable file that a rewrite would shorten:
//   comments, lines that are no entry, repeated keys (see NeedsBackup()).
// - Flush() replaces the file atomically (a crash leaves the old or the new
//   file, never half of one), writes through a symbolic link to its target,
//   keeps the file's permissions and merges with entries another instance
//   wrote to the file since it was loaded.
// - Int values are written as plain decimal integers and texts as plain text,
//   so the file stays editable by hand.
//
// Not thread-safe: use one store from one thread (the main thread).
//
// Cost: the file is read and parsed once at construction and again after
// each successful Flush(); reads are hash look-ups.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVariant>
#include <optional>

class ProfileStore {
public:
    /// Entries by "section/key" path, as QSettings names them.
    using Entries = QMap<QString, QVariant>;

    /// Longest text value taken from the file (characters).
    static constexpr int kMaxTextLength = 32768;
    /// Longest binary value taken from the file (bytes).
    static constexpr int kMaxBinaryLength = 1 << 20;

    /// Largest store file read at all; a larger one counts as damaged.
    static constexpr qint64 kMaxFileSize = qint64(64) << 20;

    /// A store over `filePath` (created when first flushed). Reads the file
    /// at once; never fails (see IsDamaged()).
    explicit ProfileStore(const QString& filePath);
    ~ProfileStore();
    ProfileStore(const ProfileStore&) = delete;
    ProfileStore& operator=(const ProfileStore&) = delete;

    /// `$XDG_CONFIG_HOME/<company>/<profile>.ini`, where an unset, empty or
    /// relative XDG_CONFIG_HOME means ~/.config (as the XDG base directory
    /// rules say). A "/" in `company` or `profile` becomes "_", so a profile
    /// suffix from the command line always names one file in one folder.
    static QString DefaultFilePath(const QString& company, const QString& profile);

    /// Reads an integer entry: a decimal number in the 32-bit range (leading
    /// and trailing blanks allowed); anything else gives `defaultValue`.
    int GetProfileInt(const QString& section, const QString& key, int defaultValue) const;
    /// Reads a text entry. A value a hand edit split at unquoted commas
    /// (QSettings reads it as a list) is joined again with ", ". A binary
    /// entry, or a text longer than kMaxTextLength, gives `defaultValue`.
    QString GetProfileString(const QString& section, const QString& key,
                             const QString& defaultValue = QString()) const;
    /// nullopt when the entry is missing, not binary, or longer than
    /// kMaxBinaryLength.
    std::optional<QByteArray> GetProfileBinary(const QString& section, const QString& key) const;
    /// True when the entry exists (pending or in the file), whatever its type.
    bool HasEntry(const QString& section, const QString& key) const;

    /// The writers keep the value pending until Flush(). They return false
    /// (and keep nothing) for an empty key, for a text longer than
    /// kMaxTextLength and for a binary value longer than kMaxBinaryLength,
    /// values that could never be read back.
    bool WriteProfileInt(const QString& section, const QString& key, int value);
    bool WriteProfileString(const QString& section, const QString& key, const QString& value);
    bool WriteProfileBinary(const QString& section, const QString& key, const QByteArray& value);

    /// Writes the pending values to the file, creating its parent folders.
    /// When the file is damaged or a rewrite would drop part of it, the
    /// original is first copied to DamagedBackupPath(); if that copy can't be
    /// made (an unreadable file, a folder in the way) nothing is written. A
    /// damaged file is replaced by the pending values alone; a healthy one
    /// keeps its other entries. True when nothing is pending. False when the
    /// file can't be written (the values stay pending and the file as it was).
    bool Flush();

    /// True while values are waiting for Flush().
    bool HasPendingWrites() const { return !m_pending.isEmpty(); }

    QString FilePath() const { return m_filePath; }
    /// True when the file existed but could not be read as a settings file:
    /// not a regular readable file, larger than kMaxFileSize, not UTF-8 text,
    /// or QSettings reports a format or access error. Its entries are then
    /// ignored (every read gives the default). Cleared by a successful Flush().
    bool IsDamaged() const { return m_damaged; }
    /// True when the first Flush() will copy the original aside: the file is
    /// damaged, or a rewrite would drop part of it (comments, lines that are
    /// no entry, repeated keys, values QSettings can't read).
    bool NeedsBackup() const { return m_needsBackup; }
    /// The copy of the original that Flush() made, or, before it made one,
    /// the name it would take: "<file>.damaged", or when that exists
    /// "<file>.damaged.1", ".2", ... (an existing backup is never replaced).
    QString DamagedBackupPath() const;

private:
    QString KeyPath(const QString& section, const QString& key) const;
    QVariant Value(const QString& section, const QString& key) const;
    void Load();
    bool BackUpOriginal();

    QString m_filePath;
    Entries m_entries;  // the file's, as last read; empty when damaged or absent
    Entries m_pending;
    bool m_damaged = false;
    bool m_needsBackup = false;
    QString m_backupPath;  // the backup made by Flush(), once made
};
