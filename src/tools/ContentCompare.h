#pragma once
// CompareFileContents: whether two files hold the same bytes, as "Sync on
// content" (Alt+F9, PaneCompare.h) asks it of each pair of equally sized
// files. No user interface and no global state, so it runs on the
// comparison's worker thread; the caller checks its stop flag between items
// and hands it in for the blocks.
//
// The two files are read side by side in blocks of 32,768 bytes into the
// two buffers of a ContentBuffers, for as many bytes as the size the pane
// listed, and each block of the first file is compared with the second's.
// A file that ends before the listed size (it shrank since the pane read
// the folder) or holds more than it (it grew) ends the loop: such a pair
// counts as differing, since no one could tell the two copies are the same.
// Cost: one open and one fstat per file, one read per block and file, one
// memcmp per block.

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <memory>

/// The read block of the content comparison.
inline constexpr int kCompareBlockSize = 32768;

/// The two read buffers, made once per comparison run and reused for every
/// pair.
struct ContentBuffers {
    ContentBuffers()
        : first(std::make_unique<char[]>(kCompareBlockSize)),
          second(std::make_unique<char[]>(kCompareBlockSize)) {}
    std::unique_ptr<char[]> first;
    std::unique_ptr<char[]> second;
};

enum class ContentResult {
    kEqual,      // the listed size read from both, no difference
    kDiffer,     // a block differs, or a file's length is not the listed one
    kOpenError,  // either file could not be opened (or is not a regular file)
    kReadError,  // reading failed part way
    kAborted,    // `pollEscape` reported Escape between blocks
};

/// Compares the first `listedSize` bytes of the files at `first` and
/// `second` (raw name bytes). `pollEscape`, when given, is asked between
/// blocks.
ContentResult CompareFileContents(const QByteArray& first, const QByteArray& second,
                                  std::uint64_t listedSize, ContentBuffers& buffers,
                                  const std::function<bool()>& pollEscape = {});
