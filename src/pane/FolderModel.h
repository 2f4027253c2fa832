#pragma once
// FolderModel: one opened folder of a pane: the folder object, its kind,
// its entries as FolderItems, its names and the watch that tells the pane
// when the folder changed on disk.
//
// A model is made empty, then Open()ed once with an absolute id list. The
// pane that shows it keeps it until it opens another folder; a model can
// also be opened without its entries (the target of a drop, the folder of a
// find result).
//
// Guarantees:
// - Items never move in memory while they belong to the model (they live in
//   a node-based list), so the pane's rows can point at them. An item is
//   destroyed only by DestroyItem(), Refresh() (filtered-out items that
//   vanished), RenameItem() (the old item) or the model's destruction.
// - Names are compared exactly (case-sensitive): a folder holding "a" and
//   "A" has two items, and lookups tell them apart.
// - `items` is changed only by the model's functions (Open, Refresh,
//   RenameItem, DestroyItem): they keep the name index of FindByName up to
//   date. Others may read the list and the items' fields, but not add,
//   remove or rename items.
// - The order of `items` after Open() is the order of an unsorted pane: the
//   entries the directory scan met, in the reverse order of the scan,
//   followed by those it did not meet (virtual places of the Desktop).
// - The watch thread only reads its own copies of the path and the settle
//   time and talks to the pane by posted events; every change of the model
//   happens on the main thread. The destructor stops and joins the thread
//   before anything else is freed.
//
// Main thread only (the watch's enabled flag excepted).
//
// Cost: Open() and Refresh() make one enumeration of the folder (one statx
// per entry for file-system folders) and one read of the directory without
// any further stat; matching names is linear when the enumeration and the
// directory agree on the order (they do for file-system folders) and stays
// linear otherwise (a hash of the names not met yet is built on the first
// mismatch).

#include <QHash>
#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <vector>

#include "pane/ItemNameIndex.h"
#include "platform/fs/UniqueFd.h"
#include "platform/namespace/IdList.h"
#include "platform/namespace/ShellFolder.h"
#include "platform/namespace/ShellTypes.h"
#include "platform/thread/WorkerThread.h"
#include "platform/watch/ChangeWatch.h"
#include "shell/FolderItem.h"
#include "shell/FolderItemOwner.h"

class QObject;

/// The enumeration flags of a pane: folders and non-folders.
inline constexpr std::uint32_t kPaneEnumFlags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;

/// The title of a folder that has no name at all.
inline const QString kNoNameTitle = QStringLiteral("<no Name>");

class FolderModel : public FolderItemOwner {
public:
    using ItemList = std::list<FolderItem>;

    /// Results of Open() and Enumerate().
    enum ReadResult : int {
        kReadFailed = 0,   // the folder could not be bound, named or enumerated
        kReadOk = 1,       // read
        kReadPartial = 2,  // read, but some entries could not be made into items
    };

    /// An empty model that will enumerate with `enumFlags` (SHCONTF_ bits).
    /// Fills the process-wide shell context when it is not ready yet.
    explicit FolderModel(std::uint32_t enumFlags = kPaneEnumFlags);
    /// Stops and joins the watch first; for a descriptor folder then removes
    /// the temporary leftovers of archive handlers ("TD_*.dir",
    /// "Temporary*.zip" directly in the temporary folder, only entries this
    /// user owns, symbolic links removed themselves, never followed); then
    /// destroys the items (which delete their temporary copies).
    ~FolderModel() override;
    FolderModel(const FolderModel&) = delete;
    FolderModel& operator=(const FolderModel&) = delete;

    /// Opens the folder an absolute id list names (the empty list is the
    /// Desktop) and, with `enumerate`, reads its entries:
    ///  1. binds the folder;  2. its attributes;  3. an archive-like folder
    ///  (SFGAO_FOLDER and SFGAO_BROWSABLE without SFGAO_FILESYSANCESTOR)
    ///  loses SFGAO_FILESYSTEM, becoming a descriptor folder, and its cache
    ///  is validated;  4. a file-system folder inside a file-system folder
    ///  loses SFGAO_FILESYSANCESTOR (a plain directory);  5. binds the
    ///  parent;  6. `path` (the parsing name);  7. `title` (a plain
    ///  directory's path, else the normal name, else the parent's name of
    ///  the item, else "<no Name>");  8. an empty path makes the folder
    ///  virtual and takes the title;  9. Enumerate();  10. a virtual folder
    ///  whose first non-folder item describes itself with a modified time
    ///  becomes a descriptor folder;  11. a descriptor folder is titled by
    ///  its path.
    /// Gives kReadFailed, kReadOk or kReadPartial (kReadOk without
    /// `enumerate`). Call once per model.
    int Open(IdList absolute, bool enumerate);

    /// The rest of Open() for a model opened without its entries:
    /// reads them (Enumerate, or the streamed read's code run here at once
    /// where CanReadStreamed()), the probe of virtual folders, the title of
    /// descriptor folders. Gives what Open(absolute, true) would.
    int ReadEntries();

    // -- Streamed reads ---------------------------------------------------

    /// How the folder of an id list answered ProbeFolder().
    enum class Probe {
        NotAPath,  // it names no directory path: nothing was asked
        Answered,  // the directory is open (StartRead and ReadEntries use it)
        Refused,   // the system refused it (ProbeError() says why)
        NoAnswer,  // no answer within the wait: the job was abandoned
    };
    /// Before Open(): opens the directory that `absolute` names, when it
    /// names a path, on the model's worker, and waits at most `wait` for the
    /// system to answer, so that a mount that does not answer costs the
    /// window that wait, not a hang. The path is taken from the id list by
    /// name only.
    Probe ProbeFolder(const IdList& absolute, std::chrono::milliseconds wait);
    /// The errno of a Refused probe.
    int ProbeError() const { return m_probeError; }

    /// Whether StartRead() can read this folder: an opened file-system
    /// folder (not the Desktop) whose folder object reads a directory, or a
    /// folder whose entries come from a source (EntrySourceFolder: a remote
    /// location without a local path), read with folders and non-folders,
    /// no read running.
    bool CanReadStreamed() const;

    /// Called with the first new item of each batch once the batch is the
    /// tail of `items`; then with the read's result (kReadOk, or
    /// kReadPartial when an entry could not be made or the directory gave a
    /// read error), after the last batch.
    using BatchHandler = std::function<void(ItemList::iterator first)>;
    using DoneHandler = std::function<void(int result)>;
    /// Starts the streamed read of a model opened without entries (see the
    /// header). False, with nothing started, unless CanReadStreamed().
    bool StartRead(BatchHandler onBatch, DoneHandler onDone);
    /// Applies the read's batches as they come, without running the event
    /// loop, until the read is done, or its first batch is in and `budget`
    /// has passed, or `limit` has passed. True when the read is done.
    bool WaitForRead(std::chrono::milliseconds budget, std::chrono::milliseconds limit);
    /// Stops the read: batches not applied yet are dropped, those applied
    /// stay; the handlers are not called again. Returns at once.
    void CancelRead();
    /// Refresh() with the read on the model's worker: the comparison and its
    /// results are Refresh()'s, made on the main thread when the read is
    /// done, then `done` gets whether the folder could be read (a failed
    /// read changes nothing). IsReading() holds meanwhile; CancelRead()
    /// drops it. False, with nothing started, unless CanReadStreamed().
    bool StartRefreshRead(std::uint64_t& totals, std::function<void(bool ok)> done);
    /// True from StartRead() until its result was handed over or it was
    /// cancelled.
    bool IsReading() const { return m_reading; }
    /// True while the read's worker thread runs (it may have posted
    /// batches not applied yet, or be stuck after a cancel).
    bool IsReadJobRunning() const { return m_reader.IsRunning(); }

    /// Reads the folder's entries into `list` (appended): one FolderItem per
    /// entry that Init() accepts; hidden entries too when the general setting
    /// "bShowHiddenFiles" is on. Then, for a file-system folder, the
    /// directory scan puts the entries in the order of an unsorted pane; for
    /// a descriptor folder every item reads its descriptor. kReadPartial when
    /// an entry was refused or the enumeration stopped with an error.
    int Enumerate(ItemList& list);

    /// Compares the folder against a new enumeration, exact names:
    /// - an item met again whose size or modified time changed takes the new
    ///   values (and the entry's new id) and loses its temporary copy; a
    ///   listed one becomes kListChanged and `totals` moves by the size
    ///   difference;
    /// - an entry not known yet is added with kListNew;
    /// - an item not met again becomes kListGone when listed, and is
    ///   destroyed at once when hidden by the filter.
    /// Items end up in the new enumeration's order, the gone ones last.
    /// False (nothing changed) when the folder can't be enumerated.
    /// Cost: one enumeration and one directory read as Open(); in a
    /// file-system folder full items are made only for the new entries (the
    /// others are compared by the find data their ids carry), so a refresh
    /// that finds little changed costs about half of the Open() that read
    /// the folder.
    bool Refresh(std::uint64_t& totals);

    /// What the watch saw since the last Refresh() or TakeWatchChanges()
    /// (ChangeWatch::TakeChanges); unknown changes without a watch. Taking
    /// them counts as having read them (HasUnreadChanges).
    ChangeWatch::Changes TakeWatchChanges();
    /// Whether a Refresh() or TakeWatchChanges() took the watch's changes
    /// since the folder was opened.
    bool HasTakenChanges() const { return m_changesBeforeRead >= 0; }

    /// Whether RefreshNames() can stand in for Refresh() here: a file-system
    /// folder other than the Desktop, enumerated with folders and
    /// non-folders.
    bool CanRefreshByName() const;

    /// Refresh() for the entries named in `names` only (names the watch
    /// reported), with the same marks and totals that Refresh() would give
    /// them: each name is looked up in the folder now; an entry the
    /// enumeration would list (hidden ones only with "bShowHiddenFiles")
    /// updates its item (kListChanged when listed and its size or modified
    /// time differ) or is added with kListNew at the end of `items`; an
    /// item whose entry is gone becomes kListGone when listed and is
    /// destroyed when hidden. Names not found and not known change nothing.
    /// Only where CanRefreshByName(); false (nothing changed) elsewhere.
    /// Cost: one look-up of each entry (a statx) and of its item (hash);
    /// nothing in proportion to the size of the folder.
    bool RefreshNames(const std::vector<QString>& names, std::uint64_t& totals);

    /// Whether the folder may have changed since the last successful
    /// Refresh() began reading it or the watch's changes were last taken:
    /// false only while a watch runs that has counted no change since then.
    /// A change notice that arrives when this is false reports changes that
    /// were read already (a burst that settled while a refresh ran). True
    /// before the first Refresh().
    bool HasUnreadChanges() const;

    /// The first item (in `items` order) whose `name` is exactly `name`;
    /// nullptr when none. Cost: O(1) on average through a hash of the
    /// names, which the first lookup (or DestroyItem) builds in one pass
    /// and every later change of `items` keeps up to date.
    FolderItem* FindByName(const QString& name);
    /// The first item that the folder's CompareIDs (column 0) finds equal to
    /// the one-item relative id; nullptr when none. Linear.
    FolderItem* FindById(const IdList& relative);

    /// Renames an item through the folder: a new item for the new id (with
    /// the old item's three times) goes to the end of `items` and the old
    /// item is destroyed; the caller must have let go of the old pointer
    /// (its row points at the new item). nullptr, with the old item kept,
    /// when the folder refuses the name or the new item can't be made.
    FolderItem* RenameItem(FolderItem* item, const QString& newName);

    /// Adds the item the folder knows by `name` (an entry the program has
    /// just made itself, such as a new file) at the end of `items`, so that
    /// it can be listed before a refresh finds it. nullptr when the folder
    /// does not know the name or the item can't be made.
    FolderItem* AddItem(const QString& name);

    /// Starts the change watch, which posts a ChangeWatchEvent of type
    /// WM_FOLDER_CHANGED with this model as parameter to `window` after the
    /// folder's changes settle (100 ms, 500 ms on removable volumes). Only
    /// for file-system folders on volumes that are neither remote nor
    /// CD-ROMs, and for the Trash (its home info folder, made when missing);
    /// a folders-only model watches folders only. False when no
    /// watch runs. The watch ends with the model; `window` must outlive it.
    bool StartWatch(QObject* window);
    /// True while a watch thread runs.
    bool IsWatching() const;
    /// `watchEnabled`: while clear, the watch posts nothing (the program is
    /// changing the folder itself). Without a watch: nothing, and false.
    void SetWatchEnabled(bool enabled);
    bool IsWatchEnabled() const;

    /// Removes `item` from `items` and destroys it; an item of another
    /// model is left alone. O(1) on average (through the name index).
    void DestroyItem(FolderItem* item);
    /// Removes the item at `it`; gives the next position.
    ItemList::iterator DestroyItem(ItemList::iterator it);

    /// The count of `items` (constant time).
    int ItemCount() const { return int(items.size()); }

    // Folder kinds of the adjusted attribute word (FolderItem.h).
    bool IsFileSystem() const { return IsFileSystemFolder(attributes); }
    bool IsDescriptor() const { return IsDescriptorFolder(attributes); }
    bool IsVirtual() const { return IsVirtualFolder(attributes); }
    bool IsPlainDirectory() const { return ::IsPlainDirectory(attributes); }

    // FolderItemOwner
    ShellFolder& OwnerShellFolder() override { return *shellFolder; }
    const IdList& OwnerIdList() const override { return idList; }
    const QString& OwnerPath() const override { return path; }
    std::uint32_t OwnerAttributes() const override { return attributes; }

    // The record. The watch stands for a stop signal, the notified window
    // and the thread; `watchEnabled` is its enabled flag.
    std::unique_ptr<ShellFolder> shellFolder;   // the folder itself
    std::unique_ptr<ShellFolder> parentFolder;  // the folder that holds it
    DropTargetCache dropTarget;                 // the transfer code's cache; not asked yet
    std::uint32_t attributes = 0;               // SFGAO_ bits, adjusted (see Open)
    std::uint32_t enumFlags;                    // SHCONTF_ bits
    std::unique_ptr<ChangeWatch> watch;         // when running
    ItemList items;                             // owned; size() is the count
    QString path;                               // parsing name
    QString title;                              // as the caption shows it
    IdList idList;                              // absolute, owned

private:
    // An entry of a refresh's enumeration: what the comparison needs, read
    // from the id's find data; `made` is its full item when the id had no
    // find data.
    struct FreshEntry {
        IdList id;
        QString name;
        std::uint64_t size = 0;
        FileTime modified = 0;
        ItemList::iterator made;
        bool hasItem = false;
    };

    void ScanDirectory(ItemList& list);
    void ValidateCache();
    // The raw read of the streamed reads, for the worker or run at once.
    struct RawRead;
    std::shared_ptr<RawRead> MakeRawRead();
    // Takes a whole batch of the read onto the end of `items`.
    void TakeBatch(ItemList& batch);
    void FinishRead(int result);
    // Whether the folder object reads a directory of the file system itself
    // (rather than standing in for one).
    bool ReadsDirectory() const;
    // Refresh()'s read and merge by full items (any folder) or by the ids' find
    // data (file-system folders other than the Desktop); same results.
    bool RefreshFromItems(std::uint64_t& totals);
    // RefreshFromItems' comparison and settling, with the entries in `fresh`.
    void MergeFreshItems(ItemList& fresh, std::uint64_t& totals);
    bool RefreshFromFindData(std::uint64_t& totals);
    // A met item takes the entry's size, modified time and id when either
    // of the two changed, and a listed one becomes kListChanged.
    static void UpdateMetItem(FolderItem& item, std::uint64_t size, FileTime modified,
                              IdList& freshId, std::uint64_t& totals);
    // The items from `first` on were not met: listed ones become kListGone,
    // hidden ones are destroyed.
    void SettleUnmetItems(ItemList::iterator first);

    int m_changesBeforeRead = -1;  // the watch's ChangeCount() when the last refresh began
    // The streamed read.
    WorkerThread m_reader;
    UniqueFd m_probed;  // the directory the probe opened, until a read takes it
    int m_probeError = 0;
    bool m_reading = false;
    bool m_firstBatchIn = false;
    BatchHandler m_onBatch;
    DoneHandler m_onDone;
    // Every item of `items` under its name (a name twice only when the
    // folder listed it twice). Built on demand; while built, every insertion
    // into `items` is indexed and every removal unindexed.
    ItemNameIndex m_names;
};

/// Whether the model's folder object gives its entries from a source of its
/// own (EntrySourceFolder: a remote location read through GIO, without a
/// local path). Such a folder renames, makes folders and deletes through
/// its folder object, and is read on the model's worker.
bool ReadsEntrySource(const FolderModel& model);

/// Whether `model`'s Refresh() should rather be StartRefreshRead(): a
/// folder on another machine (below GVfs's FUSE bridge, or a location read
/// through GIO without one), whose server may stop answering in the middle
/// of a read, which must not freeze the window.
bool RefreshesOffThread(const FolderModel& model);
