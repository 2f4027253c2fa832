#pragma once
// Archives made by the tests themselves with libarchive's writer, and byte
// patches that make them lie.

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <cstdint>
#include <vector>

struct TestEntry {
    enum Type { File, Folder, Symlink, Hardlink };
    QByteArray path;
    QByteArray contents;
    Type type = File;
    QByteArray link;  // target of a link
    std::int64_t mtime = 1600000000;
};

/// Writes `entries` to `path` in `format` ("zip", "gnutar", "pax", ...)
/// through `filter` ("none", "gzip", ...), with writer `options` if given.
inline bool WriteTestArchive(const QByteArray& path, const char* format, const char* filter,
                             const std::vector<TestEntry>& entries, const char* options = nullptr) {
    struct archive* a = archive_write_new();
    const bool plain = QByteArray(filter) == "none";
    bool ok = archive_write_set_format_by_name(a, format) == ARCHIVE_OK &&
              (plain ? archive_write_add_filter_none(a)
                     : archive_write_add_filter_by_name(a, filter)) == ARCHIVE_OK &&
              (!options || archive_write_set_options(a, options) == ARCHIVE_OK) &&
              archive_write_open_filename(a, path.constData()) == ARCHIVE_OK;
    if (!ok) {
        archive_write_free(a);
        return false;
    }
    for (const TestEntry& e : entries) {
        if (!ok)
            break;
        struct archive_entry* entry = archive_entry_new();
        archive_entry_copy_pathname(entry, e.path.constData());
        archive_entry_set_mtime(entry, e.mtime, 0);
        switch (e.type) {
            case TestEntry::File:
                archive_entry_set_filetype(entry, AE_IFREG);
                archive_entry_set_perm(entry, 0644);
                archive_entry_set_size(entry, e.contents.size());
                break;
            case TestEntry::Folder:
                archive_entry_set_filetype(entry, AE_IFDIR);
                archive_entry_set_perm(entry, 0755);
                break;
            case TestEntry::Symlink:
                archive_entry_set_filetype(entry, AE_IFLNK);
                archive_entry_set_perm(entry, 0777);
                archive_entry_copy_symlink(entry, e.link.constData());
                break;
            case TestEntry::Hardlink:
                archive_entry_set_filetype(entry, AE_IFREG);
                archive_entry_copy_hardlink(entry, e.link.constData());
                break;
        }
        ok = archive_write_header(a, entry) >= ARCHIVE_WARN;
        if (ok && e.type == TestEntry::File && !e.contents.isEmpty()) {
            ok = archive_write_data(a, e.contents.constData(), size_t(e.contents.size())) ==
                 la_ssize_t(e.contents.size());
        }
        archive_entry_free(entry);
    }
    ok = archive_write_close(a) == ARCHIVE_OK && ok;
    archive_write_free(a);
    return ok;
}

// By the path's exact bytes (names need not be UTF-8).
inline QByteArray ReadWholeFile(const QByteArray& path) {
    QFile f;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || !f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return {};
    }
    return f.readAll();
}

inline bool WriteWholeFile(const QByteArray& path, const QByteArray& bytes) {
    QFile f;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || !f.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    return f.write(bytes) == bytes.size();
}

/// Rewrites the uncompressed size of every entry of a zip (local headers,
/// central directory, data descriptors) to `size`: a zip that lies about
/// its entries. Gives the count of fields patched.
inline int PatchZipUncompressedSizes(const QByteArray& path, std::uint32_t size) {
    QByteArray zip = ReadWholeFile(path);
    auto put = [&](qsizetype at) {
        for (int i = 0; i < 4; ++i) zip[at + i] = char((size >> (8 * i)) & 0xFF);
    };
    int patched = 0;
    for (qsizetype i = 0; i + 30 <= zip.size(); ++i) {
        if (zip.mid(i, 4) == QByteArray("PK\x03\x04", 4)) {
            put(i + 22);
            ++patched;
        } else if (zip.mid(i, 4) == QByteArray("PK\x01\x02", 4)) {
            put(i + 24);
            ++patched;
        } else if (zip.mid(i, 4) == QByteArray("PK\x07\x08", 4)) {
            put(i + 12);
            ++patched;
        }
    }
    WriteWholeFile(path, zip);
    return patched;
}
