// Archives as folders: the index built in one pass over a damaged or
// hostile archive of any format we open, then every file entry's contents
// through its stream. Limits are lowered so that a bomb or a flood of
// entries hits them within a run; the index must keep to them, name nothing
// outside the archive, and a stream must give exactly the entry's size or
// fail, never more.

#include <QByteArray>

#include "FuzzSupport.h"
#include "platform/archive/ArchiveIndex.h"
#include "platform/archive/ArchiveStream.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ArchiveLimits& limits = CurrentArchiveLimits();
    limits.maxEntries = 2000;
    limits.maxNameBytes = 64 * 1024;
    limits.maxPathBytes = 512;
    limits.maxComponentBytes = 128;
    limits.expansionRatio = 50;
    limits.expansionSlack = 4 << 20;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray path = FuzzScratchFolder() + "/input.archive";
    FuzzWriteFile(path, reinterpret_cast<const char*>(data), size);

    QString error;
    const std::shared_ptr<const ArchiveIndex> index = ArchiveIndex::Build(path, &error);
    if (!index) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    const ArchiveLimits& limits = CurrentArchiveLimits();
    FUZZ_CHECK(std::size_t(index->Count()) <= limits.maxEntries + 1);
    FUZZ_CHECK(index->Complete() == index->Problem().isEmpty());
    for (int node = 1; node < index->Count(); ++node) {
        const QByteArray name = index->NameOf(node);
        FUZZ_CHECK(!name.isEmpty() && name != "." && name != ".." && !name.contains('/'));
        FUZZ_CHECK(name.size() <= limits.maxComponentBytes);
        FUZZ_CHECK(index->PathOf(node).size() <= limits.maxPathBytes);
        const int parent = index->At(node).parent;
        FUZZ_CHECK(parent >= 0 && parent < index->Count() && index->IsDirectory(parent));
        FUZZ_CHECK(index->Child(parent, name) == node);
    }

    // A few entries' contents, as a copy out of the archive reads them.
    int streams = 0;
    for (int node = 1; node < index->Count() && streams < 8; ++node) {
        if (index->At(node).kind != ArchiveIndex::Kind::File)
            continue;
        ++streams;
        ArchiveStream stream(index, node);
        if (!stream.open(QIODevice::ReadOnly))
            continue;
        char buffer[16384];
        std::uint64_t total = 0;
        // A few bytes of compressed input can stand for gigabytes of output:
        // a stream that has shown its first megabytes has shown its logic.
        constexpr std::uint64_t kReadAtMost = 4u << 20;
        while (total < kReadAtMost) {
            const qint64 n = stream.read(buffer, sizeof buffer);
            if (n < 0)
                break;
            // The end comes with the whole entry or not at all.
            if (n == 0) {
                FUZZ_CHECK(total == index->At(node).size);
                break;
            }
            total += std::uint64_t(n);
            FUZZ_CHECK(total <= index->At(node).size);
        }
    }
    return 0;
}
