#include "pane/FolderRawRead.h"

#include "platform/fs/EntrySource.h"
#include "platform/fs/FileSystemFolder.h"
#include "platform/thread/ReportBatch.h"

namespace {

// The streamed read's buffers: two small ones first, so that the first rows
// come at once (a folder that fits in them comes whole, in one batch), then
// larger ones, so that a big folder costs few calls.
constexpr std::size_t kFirstReadBuffer = 16 * 1024;
constexpr std::size_t kReadBuffer = 256 * 1024;
// The same for a source, in entries: a remote folder's first screenful comes
// with the first round trip, the rest in few.
constexpr int kFirstSourceBatch = 200;
constexpr int kSourceBatch = 2000;
// How often a batch reaches the main thread while a folder streams in.
constexpr std::chrono::milliseconds kBatchInterval{50};
// How often the worker looks at its stop flag, in entries.
constexpr int kStopCheckEvery = 256;

bool Stopped(const std::atomic<bool>* stop) {
    return stop && stop->load(std::memory_order_relaxed);
}

}  // namespace

bool FolderModel::RawRead::NextEntries(EntrySource* source,
                                       std::vector<FileSystemItemData>& entries, int reads,
                                       const std::atomic<bool>* stop, int& result, bool& stopped) {
    entries.clear();
    if (source) {
        if (!source->Next(entries, reads < 2 ? kFirstSourceBatch : kSourceBatch)) {
            if (source->Error() != 0)
                result = kReadPartial;
            return false;
        }
        return true;
    }
    std::vector<DirectoryStream::Name> names;
    if (!stream->ReadNames(names, reads < 2 ? kFirstReadBuffer : kReadBuffer)) {
        if (stream->Error() != 0)
            result = kReadPartial;
        return false;
    }
    int sinceCheck = 0;
    entries.reserve(names.size());
    for (DirectoryStream::Name& name : names) {
        if (stop && ++sinceCheck == kStopCheckEvery) {
            sinceCheck = 0;
            if (Stopped(stop)) {
                stopped = true;
                return false;
            }
        }
        // A hidden entry not listed costs no stat.
        if (name.name.startsWith('.') && !(flags & SHCONTF_INCLUDEHIDDEN))
            continue;
        if (std::optional<FileSystemItemData> data = stream->Stat(name.name))
            entries.push_back(std::move(*data));
        // else gone since the names were read
    }
    return true;
}

void FolderModel::RawRead::MakeItems(std::vector<FileSystemItemData>& entries, ItemList& batch,
                                     int& result) {
    for (FileSystemItemData& data : entries) {
        if (!FileSystemFolder::ListedBy(flags, data))
            continue;
        IdList id = FileSystemItemId(data);
        if (id.IsNull())
            continue;  // a name too long for an item, as the enumeration drops it
        FolderItem& item = batch.emplace_back();
        if (!item.Init(*owner, std::move(id))) {
            batch.pop_back();
            result = kReadPartial;
        }
    }
}

void FolderModel::RawRead::Run(const std::atomic<bool>* stop, const Emit& emit) {
    // A source serves the folder whether or not a probe opened it: the
    // descriptor then only told that the folder is there.
    std::unique_ptr<EntrySource> source;
    if (fromSource) {
        const auto* folder = dynamic_cast<const EntrySourceFolder*>(&owner->OwnerShellFolder());
        source = folder ? folder->OpenEntries(nullptr) : nullptr;
        if (!source) {
            ItemList none;
            emit(none, int(kReadFailed));
            return;
        }
    } else {
        source = OpenEntrySource(path);
    }
    if (!source) {
        if (!stream)
            stream = std::make_unique<DirectoryStream>(path);
        if (!stream->IsOpen()) {
            ItemList none;
            emit(none, int(kReadFailed));
            return;
        }
    }
    int result = kReadOk;
    ItemList batch;
    std::vector<FileSystemItemData> entries;
    ReportPacer pacer(kBatchInterval);
    bool stopped = false;
    for (int reads = 0;; ++reads) {
        if (Stopped(stop))
            return;
        if (!NextEntries(source.get(), entries, reads, stop, result, stopped)) {
            if (stopped)
                return;
            break;
        }
        MakeItems(entries, batch, result);
        if (stop && (reads == 1 || (reads > 1 && pacer.Due()))) {
            emit(batch, std::nullopt);
            batch.clear();
            pacer.Restart();
        }
    }
    emit(batch, result);
}
