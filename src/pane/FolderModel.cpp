#include "pane/FolderModel.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <list>
#include <mutex>
#include <optional>

#include "platform/fs/FileSystem.h"
#include "platform/fs/FileSystemFolder.h"
#include "platform/fs/RemoveTree.h"
#include "platform/fs/UniqueFd.h"
#include "platform/fs/Volumes.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellNamespace.h"
#include "platform/remote/RemoteMounts.h"
#include "platform/thread/ReportBatch.h"
#include "platform/trash/Trash.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "shell/PathHelpers.h"
#include "shell/Pidl.h"
#include "shell/ShellContext.h"

namespace {

constexpr std::uint32_t kArchiveTest = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_BROWSABLE;
constexpr std::uint32_t kArchiveLike = SFGAO_FOLDER | SFGAO_BROWSABLE;

// Kinds of the directory scan's mask.
constexpr int kScanFiles = 1;
constexpr int kScanFolders = 2;

// How deep the removal of a leftover tree goes; deeper trees are left alone
// rather than risk running out of descriptors.
constexpr int kMaxLeftoverDepth = 32;

// The Desktop for binding: the context's, else one of our own.
ShellFolder* Desktop(std::unique_ptr<ShellFolder>& holder) {
    if (ShellFolder* desktop = ContextDesktop())
        return desktop;
    holder = SHGetDesktopFolder();
    return holder.get();
}

// The names of the search range of a list: the items from a start position
// to the end, which are the ones not met yet. A met item leaves the range
// (Take), either because it was the start or because the caller moves it in
// front of the start. Lookups check the start first, which is all it takes
// when both sides list the folder in the same order; the first miss builds
// a hash of the range's names, so a different order stays linear overall.
template <typename List>
class NameRange {
public:
    using Iterator = typename List::iterator;

    NameRange(List& list, Iterator start) : m_list(list), m_start(start) {}

    Iterator Start() const { return m_start; }

    Iterator Find(const QString& name) {
        if (m_start == m_list.end())
            return m_list.end();
        if (m_start->name == name)
            return m_start;
        if (!m_indexed)
            BuildIndex();
        if (m_duplicates.contains(name)) {
            for (auto it = m_start; it != m_list.end(); ++it) {
                if (it->name == name)
                    return it;
            }
            return m_list.end();
        }
        return m_index.value(name, m_list.end());
    }

    // Takes `it` (found by Find) out of the range.
    void Take(Iterator it) {
        if (it == m_start)
            ++m_start;
        if (m_indexed) {
            auto found = m_index.find(it->name);
            if (found != m_index.end() && found.value() == it)
                m_index.erase(found);
        }
    }

private:
    void BuildIndex() {
        m_indexed = true;
        for (auto it = m_start; it != m_list.end(); ++it) {
            if (m_index.contains(it->name))
                m_duplicates.insert(it->name);
            else
                m_index.insert(it->name, it);
        }
    }

    List& m_list;
    Iterator m_start;
    bool m_indexed = false;
    QHash<QString, Iterator> m_index;
    QSet<QString> m_duplicates;
};

// The scan's kind of a directory entry, from the type the directory gives
// (a stat only where the file system gives none). A symbolic link is a
// non-folder, as enumeration lists it.
int EntryKind(int dirFd, const dirent* entry) {
    if (entry->d_type == DT_DIR)
        return kScanFolders;
    if (entry->d_type != DT_UNKNOWN)
        return kScanFiles;
    struct stat st;
    if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
        return kScanFolders;
    return kScanFiles;
}

// The order of an unsorted pane for a folder object that stands in for a
// directory without reading it: the entries the directory lists, in its
// order, followed by the entries it does not list. The ids carry all three
// times already, so the order is all the scan adds. `List` is a std::list
// of anything with a `name`.
template <typename List>
void ScanOrder(const QString& path, std::uint32_t enumFlags, List& list) {
    const QByteArray folder = NameToBytes(path);
    const UniqueDir dir(::opendir(folder.constData()));
    if (!dir)
        return;
    int mask = 0;
    if (enumFlags & SHCONTF_FOLDERS)
        mask |= kScanFolders;
    if (enumFlags & SHCONTF_NONFOLDERS)
        mask |= kScanFiles;

    NameRange range(list, list.begin());
    while (const dirent* entry = ::readdir(dir.get())) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        if (!(EntryKind(dir.fd(), entry) & mask))
            continue;
        const auto it = range.Find(NameFromBytes(name, qsizetype(std::strlen(name))));
        if (it == list.end())
            continue;
        range.Take(it);
        list.splice(range.Start(), list, it);
        if (range.Start() == list.end())
            break;
    }
}

// The streamed read's buffers: two small ones first, so that the first rows
// come at once (a folder that fits in them comes whole, in one batch), then
// larger ones, so that a big folder costs few calls.
constexpr std::size_t kFirstReadBuffer = 16 * 1024;
constexpr std::size_t kReadBuffer = 256 * 1024;
// How often a batch reaches the main thread while a folder streams in.
constexpr std::chrono::milliseconds kBatchInterval{50};
// How often the worker looks at its stop flag, in entries.
constexpr int kStopCheckEvery = 256;

bool IsLeftoverName(const char* name) {
    return ::fnmatch("TD_*.dir", name, FNM_PERIOD) == 0 ||
           ::fnmatch("Temporary*.zip", name, FNM_PERIOD) == 0;
}

}  // namespace

struct FolderModel::RawRead {
    std::unique_ptr<DirectoryStream> stream;  // none yet: opened by the read
    QByteArray path;
    std::uint32_t flags = 0;  // enumeration flags, hidden entries included or not
    // What the items are made with before the main thread takes them: a
    // folder object of the job's own and copies of the model's record, so
    // that the job touches nothing of the model (which may be gone before a
    // job stuck on a mount that does not answer ends).
    std::unique_ptr<BoundFolder> owner;

    // A batch of whole items; `result` is set on the last one.
    using Emit = std::function<void(ItemList& batch, std::optional<int> result)>;

    // Reads the folder: names a buffer at a time, each name stat'ed relative
    // to the folder, made into its item; batches go to `emit` (the first
    // after the first two buffers, then every kBatchInterval, the rest with
    // the result). Without a stop flag everything goes in one batch. Ends
    // without the last batch when `stop` is raised.
    void Run(const std::atomic<bool>* stop, const Emit& emit) {
        if (!stream)
            stream = std::make_unique<DirectoryStream>(path);
        if (!stream->IsOpen()) {
            ItemList none;
            emit(none, int(kReadFailed));
            return;
        }
        int result = kReadOk;
        ItemList batch;
        std::vector<DirectoryStream::Name> names;
        ReportPacer pacer(kBatchInterval);
        int buffers = 0;
        for (;;) {
            if (stop && stop->load(std::memory_order_relaxed))
                return;
            names.clear();
            if (!stream->ReadNames(names, buffers < 2 ? kFirstReadBuffer : kReadBuffer)) {
                if (stream->Error() != 0)
                    result = kReadPartial;
                break;
            }
            ++buffers;
            int sinceCheck = 0;
            for (DirectoryStream::Name& name : names) {
                if (stop && ++sinceCheck == kStopCheckEvery) {
                    sinceCheck = 0;
                    if (stop->load(std::memory_order_relaxed))
                        return;
                }
                if (name.name.startsWith('.') && !(flags & SHCONTF_INCLUDEHIDDEN))
                    continue;
                std::optional<FileSystemItemData> data = stream->Stat(name.name);
                if (!data || !FileSystemFolder::ListedBy(flags, *data))
                    continue;  // gone since the names were read, or not wanted
                IdList id = FileSystemItemId(*data);
                if (id.IsNull())
                    continue;  // a name too long for an item, as the enumeration drops it
                FolderItem& item = batch.emplace_back();
                if (!item.Init(*owner, std::move(id))) {
                    batch.pop_back();
                    result = kReadPartial;
                }
            }
            if (stop && (buffers == 2 || (buffers > 2 && pacer.Due()))) {
                emit(batch, std::nullopt);
                batch.clear();
                pacer.Restart();
            }
        }
        emit(batch, result);
    }
};

int RemoveDescriptorLeftovers() {
    const QByteArray temp = NameToBytes(TempFolder());
    if (temp.isEmpty())
        return 0;
    const UniqueDir dir(::opendir(temp.constData()));
    if (!dir)
        return 0;
    QList<QByteArray> names;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (IsLeftoverName(entry->d_name))
            names << QByteArray(entry->d_name);
    }
    // Only what this user owns goes, never through a link, and not deeper
    // than a leftover of ours can be.
    int removed = 0;
    const RemoveTreeOptions options{
        .ownerOnly = ::geteuid(), .maxDepth = kMaxLeftoverDepth + 1, .removed = &removed};
    for (const QByteArray& name : names) RemoveTreeAt(dir.fd(), name, options);
    return removed;
}

FolderModel::FolderModel(std::uint32_t flags) : enumFlags(flags) {
    EnsureShellContext();
}

FolderModel::~FolderModel() {
    // A read still running owns what it touches: it is let go, not waited
    // for, since it may be waiting on a mount that does not answer.
    CancelRead();
    // The thread reads nothing of ours, but it names this model in the
    // events it posts: it must be gone before the model is.
    watch.reset();
    if (IsDescriptor())
        RemoveDescriptorLeftovers();
    DropNameIndex();
    items.clear();
}

void FolderModel::ValidateCache() {
    std::uint32_t validate = SFGAO_VALIDATE;
    shellFolder->GetAttributesOf({}, validate);
}

int FolderModel::Open(IdList absolute, bool enumerate) {
    idList = std::move(absolute);
    if (idList.IsNull())
        return kReadFailed;
    std::unique_ptr<ShellFolder> desktopHolder;
    ShellFolder* desktop = Desktop(desktopHolder);
    if (!desktop)
        return kReadFailed;
    const ShellContext& context = TheShellContext();

    // Bind the folder.
    shellFolder = idList.IsEmpty() ? SHGetDesktopFolder() : desktop->BindToObject(idList);
    if (!shellFolder)
        return kReadFailed;

    // Its attributes.
    const std::optional<std::uint32_t> found = SHGetFileInfoAttributes(idList);
    if (!found)
        return kReadFailed;
    attributes = *found;

    // An archive is not browsed as a file-system folder.
    if ((attributes & kArchiveTest) == kArchiveLike) {
        attributes &= ~std::uint32_t(SFGAO_FILESYSTEM);
        ValidateCache();
    }

    // The Desktop's parent is that of the desktop directory.
    IdList parentList;
    if (idList.IsEmpty()) {
        parentList =
            context.desktopDirectory.IsNull() ? IdList() : PidlTrim(context.desktopDirectory, 1);
        if (parentList.IsNull())
            parentList = IdList::Empty();
    } else {
        parentList = PidlTrim(idList, 1);
    }
    if ((attributes & SFGAO_FILESYSTEM) && (attributes & SFGAO_FILESYSANCESTOR) &&
        !idList.IsEmpty()) {
        const std::optional<std::uint32_t> parentAttributes = SHGetFileInfoAttributes(parentList);
        if (parentAttributes && (*parentAttributes & SFGAO_FILESYSTEM))
            attributes &= ~std::uint32_t(SFGAO_FILESYSANCESTOR);
    }

    // Bind the parent.
    if (!parentList.IsEmpty()) {
        parentFolder = desktop->BindToObject(parentList);
    } else {
        parentFolder = SHGetDesktopFolder();
        if (!context.drives.IsNull() && desktop->CompareIDs(0, context.drives, idList) == 0)
            ValidateCache();
    }
    if (!parentFolder)
        return kReadFailed;

    // The parsing path; the Desktop's is the desktop directory's.
    const IdList& named =
        idList.IsEmpty() && !context.desktopDirectory.IsNull() ? context.desktopDirectory : idList;
    path = ShellDisplayName(*desktop, named, SHGDN_FORPARSING).value_or(QString());

    // The title.
    if (context.PathTitles && IsPlainDirectory())
        title = ShownLocation(path);
    else
        title = ShellDisplayName(*desktop, idList, SHGDN_NORMAL).value_or(QString());
    if (title.isEmpty() && !idList.IsEmpty())
        title = ShellDisplayName(*parentFolder, PidlLast(idList), SHGDN_NORMAL).value_or(QString());
    if (title.isEmpty())
        title = kNoNameTitle;

    // Without a path the folder is not file system; its title stands in.
    if (path.isEmpty()) {
        attributes &= ~std::uint32_t(SFGAO_FILESYSTEM);
        path = title;
    }

    // The entries, unless the caller wants none.
    if (!enumerate)
        return kReadOk;
    return ReadEntries();
}

int FolderModel::ReadEntries() {
    int result = kReadFailed;
    if (CanReadStreamed()) {
        const std::shared_ptr<RawRead> raw = MakeRawRead();
        raw->Run(nullptr, [&](ItemList& batch, std::optional<int> done) {
            TakeBatch(batch);
            if (done)
                result = *done;
        });
        m_probed.reset();
    } else {
        m_probed.reset();  // the folder object reads for itself
        result = Enumerate(items);
    }

    // Only the first non-folder is asked whether it describes
    // itself; the answer holds for the whole folder.
    if (result != kReadFailed && !IsFileSystem() && !IsDescriptor()) {
        for (FolderItem& item : items) {
            if (item.attributes & SFGAO_FOLDER)
                continue;
            // Items of virtual folders may know their times from the
            // folder's find data (the Trash's deletion dates): only a
            // descriptor read counts.
            if (item.ReadDescriptor() && item.times[kTimeModified] != 0) {
                attributes |= SFGAO_BROWSABLE;
                for (FolderItem& other : items) other.ReadDescriptor();
            }
            break;
        }
    }

    // A descriptor folder is titled by its path.
    if (IsDescriptor())
        title = path;
    return result;
}

bool FolderModel::ReadsDirectory() const {
    return dynamic_cast<const FileSystemFolder*>(shellFolder.get()) != nullptr;
}

bool FolderModel::CanReadStreamed() const {
    return IsFileSystem() && !idList.IsEmpty() && ReadsDirectory() && !m_reading;
}

std::shared_ptr<FolderModel::RawRead> FolderModel::MakeRawRead() {
    const auto* folder = dynamic_cast<const FileSystemFolder*>(shellFolder.get());
    auto raw = std::make_shared<RawRead>();
    raw->path = NameToBytes(folder->Path());
    if (m_probed)
        raw->stream = std::make_unique<DirectoryStream>(std::move(m_probed));
    raw->flags = enumFlags;
    if (General().showHiddenFiles)
        raw->flags |= SHCONTF_INCLUDEHIDDEN;
    raw->owner = std::make_unique<BoundFolder>(folder->CloneFolder(), idList, path, attributes);
    return raw;
}

FolderModel::Probe FolderModel::ProbeFolder(const IdList& absolute,
                                            std::chrono::milliseconds wait) {
    m_probed.reset();
    m_probeError = 0;
    if (absolute.IsNull() || absolute.IsEmpty() || m_reading)
        return Probe::NotAPath;
    const QString named = AbsoluteDisplayName(absolute, SHGDN_FORPARSING).value_or(QString());
    if (!named.startsWith(QLatin1Char('/')))
        return Probe::NotAPath;
    // The answer is handed over under a lock, so that a descriptor the
    // system gives after the wait ended is closed by the job, not leaked.
    struct Answer {
        std::mutex lock;
        bool given = false;
        bool abandoned = false;
        int fd = -1;
        int error = 0;
    };
    auto answer = std::make_shared<Answer>();
    m_reader.Start([answer, bytes = NameToBytes(named)](const JobControl&) {
        const int fd = ::open(bytes.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const int error = fd < 0 ? errno : 0;
        const std::lock_guard<std::mutex> hold(answer->lock);
        if (answer->abandoned) {
            if (fd >= 0)
                ::close(fd);
            return;
        }
        answer->given = true;
        answer->fd = fd;
        answer->error = error;
    });
    if (!m_reader.WaitFor(wait)) {
        const std::lock_guard<std::mutex> hold(answer->lock);
        if (!answer->given) {
            answer->abandoned = true;
            m_reader.Abandon();
            return Probe::NoAnswer;
        }
    }
    m_reader.Wait();  // it has answered: the rest is the thread's end
    const std::lock_guard<std::mutex> hold(answer->lock);
    if (answer->fd < 0) {
        m_probeError = answer->error;
        return Probe::Refused;
    }
    m_probed = UniqueFd(answer->fd);
    return Probe::Answered;
}

bool FolderModel::StartRead(BatchHandler onBatch, DoneHandler onDone) {
    if (!CanReadStreamed())
        return false;
    const std::shared_ptr<RawRead> raw = MakeRawRead();
    m_onBatch = std::move(onBatch);
    m_onDone = std::move(onDone);
    m_reading = true;
    m_firstBatchIn = false;
    // The job keeps `raw` (its folder object, its descriptor) for itself;
    // `this` is used only by the posted calls, which run on the main thread
    // while the model and its worker live.
    m_reader.Start([this, raw](const JobControl& control) {
        raw->Run(control.StopFlag().get(), [&](ItemList& batch, std::optional<int> result) {
            auto taken = std::make_shared<ItemList>();
            taken->splice(taken->end(), batch);
            control.Post([this, raw, taken, result] {
                TakeBatch(*taken);
                if (result)
                    FinishRead(*result);
            });
        });
    });
    return true;
}

bool FolderModel::WaitForRead(std::chrono::milliseconds budget, std::chrono::milliseconds limit) {
    QElapsedTimer since;
    since.start();
    while (m_reading) {
        m_reader.DeliverPosted();
        if (!m_reading)
            break;
        const qint64 spent = since.elapsed();
        if (spent >= limit.count() || (m_firstBatchIn && spent >= budget.count()))
            break;
        if (m_reader.WaitFor(std::chrono::milliseconds(1))) {
            // Ended: everything it posted is queued now.
            m_reader.DeliverPosted();
            break;
        }
    }
    return !m_reading;
}

void FolderModel::CancelRead() {
    if (!m_reading)
        return;
    m_reading = false;
    m_onBatch = {};
    m_onDone = {};
    m_reader.Abandon();
}

void FolderModel::TakeBatch(ItemList& batch) {
    m_firstBatchIn = true;
    if (batch.empty())
        return;
    const ItemList::iterator first = batch.begin();
    for (FolderItem& item : batch) item.folder = this;
    items.splice(items.end(), batch);
    if (m_nameIndexed) {
        for (auto it = first; it != items.end(); ++it) IndexItem(it);
    }
    if (m_onBatch)
        m_onBatch(first);
}

void FolderModel::FinishRead(int result) {
    m_reading = false;
    m_onBatch = {};
    DoneHandler done = std::move(m_onDone);
    m_onDone = {};
    if (done)
        done(result);
}

int FolderModel::Enumerate(ItemList& list) {
    std::uint32_t flags = enumFlags;
    if (General().showHiddenFiles)
        flags |= SHCONTF_INCLUDEHIDDEN;
    std::unique_ptr<EnumIdList> enumerator = shellFolder->EnumObjects(flags);
    if (!enumerator)
        return kReadFailed;

    int result = kReadOk;
    for (;;) {
        IdList id;
        const EnumIdList::Result next = enumerator->Next(id);
        if (next == EnumIdList::Result::End)
            break;
        if (next == EnumIdList::Result::Error) {
            result = kReadPartial;
            break;
        }
        FolderItem& item = list.emplace_back();
        if (!item.Init(*this, std::move(id))) {
            list.pop_back();
            result = kReadPartial;
        }
    }
    // New entries of the model's own list: the next lookup indexes afresh.
    if (&list == &items)
        DropNameIndex();

    if (IsFileSystem()) {
        ScanDirectory(list);
    } else if (IsDescriptor()) {
        for (FolderItem& item : list) item.ReadDescriptor();
    }
    return result;
}

void FolderModel::ScanDirectory(ItemList& list) {
    // A folder object that reads the directory itself lists it in the
    // directory's order already: a second read would change nothing.
    if (!ReadsDirectory())
        ScanOrder(path, enumFlags, list);
}

bool FolderModel::Refresh(std::uint64_t& totals) {
    // A descriptor folder checks its cache first.
    if (IsDescriptor())
        ValidateCache();

    // Taken before the folder is read: whatever the watch counts from now on
    // may have happened after the read began; what it saw before, the read
    // covers.
    const int changesBefore = watch ? watch->TakeChanges().changeCount : -1;
    // Entries of a file-system folder carry their name, size and times in
    // their ids, which is all the comparison needs; full items are made only
    // for the entries that turn out to be new. The Desktop's entries are
    // found by their paths instead, so it takes the general way.
    const bool refreshed = IsFileSystem() && !idList.IsEmpty() ? RefreshFromFindData(totals)
                                                               : RefreshFromItems(totals);
    if (refreshed)
        m_changesBeforeRead = changesBefore;
    return refreshed;
}

bool FolderModel::RefreshFromItems(std::uint64_t& totals) {
    // The folder read afresh.
    ItemList fresh;
    if (Enumerate(fresh) == kReadFailed)
        return false;

    // The cursor is the item before the range's start.
    NameRange range(items, items.begin());
    while (!fresh.empty()) {
        const auto entry = fresh.begin();
        const auto it = range.Find(entry->name);
        if (it == items.end()) {
            entry->listState = kListNew;
            items.splice(range.Start(), fresh, entry);
            IndexItem(entry);
            continue;
        }
        UpdateMetItem(*it, entry->size, entry->times[kTimeModified], entry->id, totals);
        range.Take(it);
        items.splice(range.Start(), items, it);
        fresh.erase(entry);
    }

    // Items the read did not meet are settled.
    SettleUnmetItems(range.Start());
    return true;
}

bool FolderModel::RefreshFromFindData(std::uint64_t& totals) {
    // With light entries: the same ids, the same names and the same
    // order as Enumerate() gives, but no FolderItem for an entry whose id
    // yields find data. An entry without find data gets its item at once,
    // so an entry Init() refuses is left out before any name is compared,
    // as in the general way. (A folder that gives find data for an id also
    // knows that id, so Init() accepts the entries that have it.)
    std::uint32_t flags = enumFlags;
    if (General().showHiddenFiles)
        flags |= SHCONTF_INCLUDEHIDDEN;
    std::unique_ptr<EnumIdList> enumerator = shellFolder->EnumObjects(flags);
    if (!enumerator)
        return false;
    std::list<FreshEntry> fresh;
    ItemList made;  // items of the entries without find data
    for (;;) {
        IdList id;
        const EnumIdList::Result next = enumerator->Next(id);
        if (next != EnumIdList::Result::Item)
            break;
        if (std::optional<FindData> found = shellFolder->GetFindData(id)) {
            FreshEntry& entry = fresh.emplace_back();
            entry.name = std::move(found->name);
            entry.size = found->size;
            entry.modified = found->times[kTimeModified];
            entry.id = std::move(id);
            continue;
        }
        FolderItem& item = made.emplace_back();
        if (!item.Init(*this, std::move(id))) {
            made.pop_back();
            continue;
        }
        FreshEntry& entry = fresh.emplace_back();
        entry.name = item.name;
        entry.size = item.size;
        entry.modified = item.times[kTimeModified];
        entry.made = std::prev(made.end());
        entry.hasItem = true;
    }
    enumerator.reset();
    if (!ReadsDirectory())
        ScanOrder(path, enumFlags, fresh);

    // The cursor, as in RefreshFromItems.
    NameRange range(items, items.begin());
    for (FreshEntry& entry : fresh) {
        const auto it = range.Find(entry.name);
        if (it != items.end()) {
            UpdateMetItem(*it, entry.size, entry.modified,
                          entry.hasItem ? entry.made->id : entry.id, totals);
            range.Take(it);
            items.splice(range.Start(), items, it);
            continue;
        }
        ItemList::iterator added;
        if (entry.hasItem) {
            added = entry.made;
            items.splice(range.Start(), made, added);
        } else {
            added = items.emplace(range.Start());
            if (!added->Init(*this, std::move(entry.id))) {
                // Gone between the read and now, or unnamable: as if never
                // listed.
                items.erase(added);
                continue;
            }
        }
        added->listState = kListNew;
        IndexItem(added);
    }

    // Items the read did not meet are settled.
    SettleUnmetItems(range.Start());
    return true;
}

void FolderModel::UpdateMetItem(FolderItem& item, std::uint64_t size, FileTime modified,
                                IdList& freshId, std::uint64_t& totals) {
    if (item.size == size && item.times[kTimeModified] == modified)
        return;
    if (item.listState == kListListed) {
        item.listState = kListChanged;
        totals += size - item.size;  // modulo 2^64: a shrink subtracts
    }
    item.size = size;
    item.times[kTimeModified] = modified;
    // The id carries the entry's find data: keep it current too.
    std::swap(item.id, freshId);
    item.DeleteTempCopy();
}

void FolderModel::SettleUnmetItems(ItemList::iterator first) {
    for (auto it = first; it != items.end();) {
        if (it->listState == kListHidden) {
            UnindexItem(it);
            it = items.erase(it);
        } else {
            it->listState = kListGone;
            ++it;
        }
    }
}

ChangeWatch::Changes FolderModel::TakeWatchChanges() {
    if (!watch) {
        ChangeWatch::Changes unknown;
        unknown.unknown = true;
        return unknown;
    }
    ChangeWatch::Changes changes = watch->TakeChanges();
    m_changesBeforeRead = changes.changeCount;
    return changes;
}

bool FolderModel::CanRefreshByName() const {
    return IsFileSystem() && !idList.IsEmpty() && enumFlags == kPaneEnumFlags && shellFolder;
}

bool FolderModel::RefreshNames(const std::vector<QString>& names, std::uint64_t& totals) {
    if (!CanRefreshByName())
        return false;
    const bool showHidden = General().showHiddenFiles;
    for (const QString& name : names) {
        FolderItem* known = FindByName(name);
        // The entry as the enumeration would give it, if it would list it.
        IdList id = shellFolder->ParseDisplayName(name);
        if (!id.IsNull() && id.Count() != 1)
            id = IdList();
        if (!id.IsNull() && !showHidden) {
            std::uint32_t hidden = SFGAO_HIDDEN;
            if (shellFolder->GetAttributesOf(std::span<const IdList>(&id, 1), hidden) &&
                (hidden & SFGAO_HIDDEN))
                id = IdList();
        }

        if (id.IsNull()) {
            if (!known)
                continue;
            if (known->listState == kListHidden)
                DestroyItem(known);
            else
                known->listState = kListGone;
            continue;
        }

        if (known) {
            if (std::optional<FindData> found = shellFolder->GetFindData(id)) {
                UpdateMetItem(*known, found->size, found->times[kTimeModified], id, totals);
                continue;
            }
            // No find data: the entry's full item tells.
            FolderItem fresh;
            if (!fresh.Init(*this, std::move(id))) {
                if (known->listState == kListHidden)
                    DestroyItem(known);
                else
                    known->listState = kListGone;
                continue;
            }
            UpdateMetItem(*known, fresh.size, fresh.times[kTimeModified], fresh.id, totals);
            continue;
        }

        FolderItem& added = items.emplace_back();
        if (!added.Init(*this, std::move(id))) {
            items.pop_back();
            continue;
        }
        added.listState = kListNew;
        IndexItem(std::prev(items.end()));
    }
    return true;
}

bool FolderModel::HasUnreadChanges() const {
    if (!watch || m_changesBeforeRead < 0)
        return true;
    return watch->ChangeCount() != m_changesBeforeRead;
}

FolderItem* FolderModel::FindByName(const QString& name) {
    EnsureNameIndex();
    const qsizetype count = m_byName.count(name);
    if (count == 0)
        return nullptr;
    if (count == 1)
        return &*m_byName.value(name);
    // A name listed twice: the first in the list's order, as the user sees
    // an unsorted pane.
    for (FolderItem& item : items) {
        if (item.name == name)
            return &item;
    }
    return nullptr;
}

void FolderModel::EnsureNameIndex() {
    if (m_nameIndexed)
        return;
    m_byName.clear();
    m_byName.reserve(qsizetype(items.size()));
    m_nameIndexed = true;
    for (auto it = items.begin(); it != items.end(); ++it) IndexItem(it);
}

void FolderModel::IndexItem(ItemList::iterator it) {
    if (m_nameIndexed)
        m_byName.insert(it->name, it);
}

void FolderModel::UnindexItem(ItemList::iterator it) {
    if (m_nameIndexed)
        m_byName.remove(it->name, it);
}

void FolderModel::DropNameIndex() {
    m_nameIndexed = false;
    m_byName.clear();
}

FolderItem* FolderModel::FindById(const IdList& relative) {
    if (!shellFolder || relative.IsNull())
        return nullptr;
    for (FolderItem& item : items) {
        if (shellFolder->CompareIDs(0, item.id, relative) == 0)
            return &item;
    }
    return nullptr;
}

FolderItem* FolderModel::RenameItem(FolderItem* item, const QString& newName) {
    if (!item || !shellFolder)
        return nullptr;
    // A refused rename gives no id here; making an item of the old id
    // instead would list a name that no longer exists.
    IdList renamed = shellFolder->SetNameOf(item->id, newName, SHGDN_INFOLDER);
    if (renamed.IsNull())
        return nullptr;
    FolderItem& fresh = items.emplace_back();
    if (!fresh.Init(*this, std::move(renamed))) {
        items.pop_back();
        return nullptr;
    }
    IndexItem(std::prev(items.end()));
    fresh.times = item->times;
    DestroyItem(item);
    return &fresh;
}

FolderItem* FolderModel::AddItem(const QString& name) {
    if (!shellFolder)
        return nullptr;
    IdList id = shellFolder->ParseDisplayName(name);
    if (id.IsNull())
        return nullptr;
    FolderItem& fresh = items.emplace_back();
    if (!fresh.Init(*this, std::move(id))) {
        items.pop_back();
        return nullptr;
    }
    IndexItem(std::prev(items.end()));
    return &fresh;
}

namespace {

// The Trash lists what other programs (and the other pane) throw away: its
// pane follows the home trash's info folder, where every trashing and
// restoring leaves a mark. The folder is made when missing, as trashing
// would make it, so a first trashing is seen too.
QByteArray TrashWatchPath(const IdList& idList) {
    const IdList trash = SHGetSpecialFolderLocation(CSIDL_BITBUCKET);
    if (trash.IsNull() || !(trash == idList))
        return {};
    const QByteArray home = HomeTrashPath();
    if (home.isEmpty())
        return {};
    const QByteArray info = home + "/info";
    const qsizetype slash = home.lastIndexOf('/');
    if (slash > 0 && !QDir().mkpath(NameFromBytes(home.left(slash))))
        return {};
    for (const QByteArray& dir : {home, info}) {
        if (::mkdir(dir.constData(), 0700) != 0 && errno != EEXIST)
            return {};
    }
    return info;
}

}  // namespace

bool FolderModel::StartWatch(QObject* window) {
    if (watch || !window)
        return false;
    if (IsVirtual()) {
        const QByteArray trashInfo = TrashWatchPath(idList);
        if (trashInfo.isEmpty())
            return false;
        auto started = std::make_unique<ChangeWatch>(trashInfo, ChangeWatch::Scope::Everything,
                                                     ChangeWatch::kSettleTime, window,
                                                     WM_FOLDER_CHANGED, quintptr(this));
        if (!started->Start())
            return false;
        watch = std::move(started);
        return true;
    }
    if (!IsFileSystem() || path.isEmpty())
        return false;
    // The mount that holds the folder decides: a folder below "/" may well
    // lie on a network mount that is no user-visible volume of its own.
    const DriveType type = GetDriveType(path);
    if (type == DRIVE_REMOTE || type == DRIVE_CDROM)
        return false;
    const auto settle = (attributes & SFGAO_REMOVABLE) ? ChangeWatch::kRemovableSettleTime
                                                       : ChangeWatch::kSettleTime;
    const ChangeWatch::Scope scope = enumFlags == SHCONTF_FOLDERS ? ChangeWatch::Scope::FoldersOnly
                                                                  : ChangeWatch::Scope::Everything;
    auto started = std::make_unique<ChangeWatch>(NameToBytes(path), scope, settle, window,
                                                 WM_FOLDER_CHANGED, quintptr(this));
    if (!started->Start())
        return false;
    watch = std::move(started);
    return true;
}

bool FolderModel::IsWatching() const {
    return watch && watch->IsRunning();
}

void FolderModel::SetWatchEnabled(bool enabled) {
    if (watch)
        watch->SetEnabled(enabled);
}

bool FolderModel::IsWatchEnabled() const {
    return watch && watch->IsEnabled();
}

void FolderModel::DestroyItem(FolderItem* item) {
    if (!item)
        return;
    EnsureNameIndex();
    const QList<ItemList::iterator> named = m_byName.values(item->name);
    for (const ItemList::iterator& it : named) {
        if (&*it == item) {
            DestroyItem(it);
            return;
        }
    }
}

FolderModel::ItemList::iterator FolderModel::DestroyItem(ItemList::iterator it) {
    UnindexItem(it);
    return items.erase(it);
}
