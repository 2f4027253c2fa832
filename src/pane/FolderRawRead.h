#pragma once
// FolderModel::RawRead: the folder model's own read of a directory, done on
// the model's worker (streamed, in batches) or on the calling thread (all
// at once). It makes the items itself from each entry's lstat data, so that
// a folder costs one pass and one system call per entry; where an
// EntrySource serves the folder (one on GVfs's FUSE bridge), the entries
// come from it in batches instead, and the items are made the same way.
//
// The job touches nothing of the model: it owns a folder object of its own
// and copies of the model's record, so that a model may go while a read
// stuck on a mount that does not answer is still under way.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "pane/FolderModel.h"
#include "platform/fs/FileSystem.h"
#include "shell/FolderItemOwner.h"

class EntrySource;

struct FolderModel::RawRead {
    std::unique_ptr<DirectoryStream> stream;  // none yet: opened by the read
    QByteArray path;
    std::uint32_t flags = 0;  // enumeration flags, hidden entries included or not
    std::unique_ptr<BoundFolder> owner;
    /// The owner's folder gives the entries itself (EntrySourceFolder); a
    /// folder it can't list fails the read.
    bool fromSource = false;

    /// A batch of whole items; `result` is set on the last one.
    using Emit = std::function<void(ItemList& batch, std::optional<int> result)>;

    /// Reads the folder; batches go to `emit` (the first after the first
    /// two reads, then every so often, the rest with the result). Without a
    /// stop flag everything goes in one batch. Ends without the last batch
    /// when `stop` is raised.
    void Run(const std::atomic<bool>* stop, const Emit& emit);

private:
    // The next entries with their data, into `entries`; false at the end
    // (`result` then says whether the read was whole) or when stopped
    // (`stopped` set).
    bool NextEntries(EntrySource* source, std::vector<FileSystemItemData>& entries, int reads,
                     const std::atomic<bool>* stop, int& result, bool& stopped);
    void MakeItems(std::vector<FileSystemItemData>& entries, ItemList& batch, int& result);
};
