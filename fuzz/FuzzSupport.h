#pragma once
// What the harnesses share: a check that stops the run when a reader breaks
// a promise of its header (libFuzzer keeps the input that did it), and a
// private folder for readers that take a file.

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

/// A folder of this process's own under $TMPDIR (made on the first call,
/// removed at exit), for the files a harness writes.
const QByteArray& FuzzScratchFolder();

/// Writes `bytes` to `path`, replacing what was there; aborts when it can't
/// (a harness that can't make its input tests nothing).
void FuzzWriteFile(const QByteArray& path, const char* data, std::size_t size);

/// Qt's text functions want an application object for some of their paths
/// (locale, fonts); one for the whole run, on the offscreen platform.
void FuzzEnsureGuiApplication();
