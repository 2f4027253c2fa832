#pragma once
// TestDir: a temporary folder tree for a test, removed at the end. Names and
// contents are bytes, so names that are not valid UTF-8 can be made.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <optional>
#include <string>

class TestDir {
public:
    TestDir();
    /// A folder made from a QTemporaryDir template (a path ending in XXXXXX),
    /// to put a large tree on a memory-backed file system.
    explicit TestDir(const QString& templatePath);
    ~TestDir();

    /// The folder's path (a plain UTF-8 path).
    QString Path() const { return m_dir.path(); }
    QByteArray PathBytes() const { return m_dir.path().toUtf8(); }
    /// `relative` joined to Path() as bytes.
    QByteArray Join(const QByteArray& relative) const;

    /// Makes a file (and its missing parent folders) with the given contents.
    /// `mtime` in seconds since the POSIX epoch when given.
    bool MakeFile(const QByteArray& relative, const QByteArray& contents = {},
                  std::optional<std::int64_t> mtime = std::nullopt);
    bool MakeFolder(const QByteArray& relative);
    bool MakeSymlink(const QByteArray& relative, const QByteArray& target);
    bool SetMode(const QByteArray& relative, unsigned mode);
    bool Exists(const QByteArray& relative) const;
    QByteArray Read(const QByteArray& relative) const;

private:
    QTemporaryDir m_dir;
};
