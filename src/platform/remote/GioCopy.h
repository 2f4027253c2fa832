#pragma once
// GioCopy: one file copied by GIO (g_file_copy) between any two locations
// GIO serves, "file://" included. Where one side is a folder on another
// machine, the GVfs daemon moves the bytes itself (pushed from or pulled to
// the local file in large pieces), which is several times faster than the
// same copy through the FUSE bridge, whose every write is a round trip of
// its own, and it is the only way in and out of a location that has no
// local path at all.
//
// The copy follows no link and keeps what GIO can keep of the times and the
// permissions. It is made under the target name it is given: callers that
// promise a complete file or none (the engine) pass a temporary name and
// rename the copy into place themselves.
//
// Thread safety: GIO's synchronous call, made on the calling thread, which
// GVfs's client allows on any thread. `progress` and `keepGoing` run on that
// thread too.

#include <QString>
#include <cstdint>
#include <functional>

struct GioCopyResult {
    bool ok = false;
    bool cancelled = false;  // keepGoing said no
    int error = 0;           // errno for GIO's error (EIO where none fits)
    QString message;         // GIO's own words
};

/// `progress(done, total)` after each piece GIO reports; `keepGoing()` is
/// asked at the same points, and false cancels the copy (the partial target
/// is then left for the caller to remove). `overwrite` replaces an existing
/// target (a plain file only); without it an existing target fails with
/// EEXIST.
GioCopyResult GioCopyFile(const QString& sourceUri, const QString& targetUri, bool overwrite,
                          const std::function<void(std::uint64_t, std::uint64_t)>& progress,
                          const std::function<bool()>& keepGoing);

/// errno for an error of G_IO_ERROR's domain (EIO for any other).
int ErrnoOfGioError(int domain, int code);
