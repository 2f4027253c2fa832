#include "pane/FolderModel.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <atomic>
#include <cerrno>
#include <iterator>
#include <list>
#include <mutex>
#include <optional>

#include "pane/DescriptorLeftovers.h"
#include "pane/FolderRawRead.h"
#include "pane/NameRange.h"
#include "pane/ScanOrder.h"
#include "platform/fs/EntrySource.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/FileSystemFolder.h"
#include "platform/fs/UniqueFd.h"
#include "platform/fs/Volumes.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellNamespace.h"
#include "platform/remote/RemoteMounts.h"
#include "platform/trash/Trash.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "shell/PathHelpers.h"
#include "shell/Pidl.h"
#include "shell/ShellContext.h"

namespace {

constexpr std::uint32_t kArchiveTest = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_BROWSABLE;
constexpr std::uint32_t kArchiveLike = SFGAO_FOLDER | SFGAO_BROWSABLE;

// The Desktop for binding: the context's, else one of our own.
ShellFolder* Desktop(std::unique_ptr<ShellFolder>& holder) {
    if (ShellFolder* desktop = ContextDesktop())
        return desktop;
    holder = SHGetDesktopFolder();
    return holder.get();
}

}  // namespace

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
    m_names.Drop();
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
    // A location without a local folder is known by its address.
    if (ReadsEntrySource(*this) && IsRemoteUri(path))
        title = path;

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

bool ReadsEntrySource(const FolderModel& model) {
    return dynamic_cast<const EntrySourceFolder*>(model.shellFolder.get()) != nullptr;
}

bool FolderModel::CanReadStreamed() const {
    return !idList.IsEmpty() && !m_reading &&
           ((IsFileSystem() && ReadsDirectory()) || ReadsEntrySource(*this));
}

std::shared_ptr<FolderModel::RawRead> FolderModel::MakeRawRead() {
    auto raw = std::make_shared<RawRead>();
    if (const auto* source = dynamic_cast<const EntrySourceFolder*>(shellFolder.get())) {
        raw->fromSource = true;
        raw->flags = enumFlags;
        if (General().showHiddenFiles)
            raw->flags |= SHCONTF_INCLUDEHIDDEN;
        raw->owner =
            std::make_unique<BoundFolder>(source->CloneSourceFolder(), idList, path, attributes);
        return raw;
    }
    const auto* folder = dynamic_cast<const FileSystemFolder*>(shellFolder.get());
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
    if (m_names.IsBuilt()) {
        for (auto it = first; it != items.end(); ++it) m_names.Insert(it);
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
        m_names.Drop();

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
    MergeFreshItems(fresh, totals);
    return true;
}

void FolderModel::MergeFreshItems(ItemList& fresh, std::uint64_t& totals) {
    // The cursor is the item before the range's start.
    NameRange range(items, items.begin());
    while (!fresh.empty()) {
        const auto entry = fresh.begin();
        const auto it = range.Find(entry->name);
        if (it == items.end()) {
            entry->listState = kListNew;
            items.splice(range.Start(), fresh, entry);
            m_names.Insert(entry);
            continue;
        }
        UpdateMetItem(*it, entry->size, entry->times[kTimeModified], entry->id, totals);
        range.Take(it);
        items.splice(range.Start(), items, it);
        fresh.erase(entry);
    }

    // Items the read did not meet are settled.
    SettleUnmetItems(range.Start());
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
        m_names.Insert(added);
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
            m_names.Remove(it);
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
        m_names.Insert(std::prev(items.end()));
    }
    return true;
}

bool FolderModel::HasUnreadChanges() const {
    if (!watch || m_changesBeforeRead < 0)
        return true;
    return watch->ChangeCount() != m_changesBeforeRead;
}

FolderItem* FolderModel::FindByName(const QString& name) {
    m_names.Ensure(items);
    const qsizetype count = m_names.CountOf(name);
    if (count == 0)
        return nullptr;
    if (count == 1)
        return m_names.OnlyOne(name);
    // A name listed twice: the first in the list's order, as the user sees
    // an unsorted pane.
    for (FolderItem& item : items) {
        if (item.name == name)
            return &item;
    }
    return nullptr;
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
    m_names.Insert(std::prev(items.end()));
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
    m_names.Insert(std::prev(items.end()));
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
    if (type == DRIVE_CDROM)
        return false;
    const auto settle = (attributes & SFGAO_REMOVABLE) ? ChangeWatch::kRemovableSettleTime
                                                       : ChangeWatch::kSettleTime;
    const ChangeWatch::Scope scope = enumFlags == SHCONTF_FOLDERS ? ChangeWatch::Scope::FoldersOnly
                                                                  : ChangeWatch::Scope::Everything;
    auto started = std::make_unique<ChangeWatch>(NameToBytes(path), scope, settle, window,
                                                 WM_FOLDER_CHANGED, quintptr(this));
    // A network folder is watched only where its backend reports changes
    // (GIO's monitor of a GVfs location): inotify would see our own alone.
    const ChangeWatch::Watcher watcher =
        type == DRIVE_REMOTE ? ChangeWatch::Watcher::SourceOnly : ChangeWatch::Watcher::Any;
    if (!started->Start(watcher))
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
    m_names.Ensure(items);
    const QList<ItemList::iterator> named = m_names.AllOf(item->name);
    for (const ItemList::iterator& it : named) {
        if (&*it == item) {
            DestroyItem(it);
            return;
        }
    }
}

FolderModel::ItemList::iterator FolderModel::DestroyItem(ItemList::iterator it) {
    m_names.Remove(it);
    return items.erase(it);
}
