#include "platform/fileop/FileOperation.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLocale>
#include <QPointer>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <future>
#include <map>
#include <optional>

#include "platform/fileop/FileOpProgressDialog.h"
#include "platform/fs/Volumes.h"
#include "platform/namespace/NameCodec.h"
#include "platform/ui/Prompter.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

// ---------------------------------------------------------------------------
// The real system calls.

int FileOpIo::Lstat(const QByteArray& path, struct stat* st) {
    return ::lstat(path.constData(), st);
}
int FileOpIo::Stat(const QByteArray& path, struct stat* st) {
    return ::stat(path.constData(), st);
}
int FileOpIo::Open(const QByteArray& path, int flags, mode_t mode) {
    return ::open(path.constData(), flags | O_CLOEXEC, mode);
}
int FileOpIo::Close(int fd) {
    return ::close(fd);
}
ssize_t FileOpIo::Read(int fd, void* buffer, size_t size) {
    return ::read(fd, buffer, size);
}
ssize_t FileOpIo::Write(int fd, const void* buffer, size_t size) {
    return ::write(fd, buffer, size);
}
ssize_t FileOpIo::CopyFileRange(int fdIn, off_t* offIn, int fdOut, off_t* offOut, size_t size) {
    return ::copy_file_range(fdIn, offIn, fdOut, offOut, size, 0);
}
off_t FileOpIo::Lseek(int fd, off_t offset, int whence) {
    return ::lseek(fd, offset, whence);
}
int FileOpIo::Ftruncate(int fd, off_t length) {
    return ::ftruncate(fd, length);
}
int FileOpIo::Fsync(int fd) {
    return ::fsync(fd);
}
int FileOpIo::Syncfs(int fd) {
    return ::syncfs(fd);
}
int FileOpIo::Fchmod(int fd, mode_t mode) {
    return ::fchmod(fd, mode);
}
int FileOpIo::Fchown(int fd, uid_t uid, gid_t gid) {
    return ::fchown(fd, uid, gid);
}
int FileOpIo::Futimens(int fd, const struct timespec times[2]) {
    return ::futimens(fd, times);
}
int FileOpIo::Mkdir(const QByteArray& path, mode_t mode) {
    return ::mkdir(path.constData(), mode);
}
int FileOpIo::Rmdir(const QByteArray& path) {
    return ::rmdir(path.constData());
}
int FileOpIo::Unlink(const QByteArray& path) {
    return ::unlink(path.constData());
}
int FileOpIo::Rename(const QByteArray& from, const QByteArray& to, unsigned flags) {
    if (flags == 0)
        return ::rename(from.constData(), to.constData());
    return int(
        ::syscall(SYS_renameat2, AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), flags));
}
int FileOpIo::Link(const QByteArray& existing, const QByteArray& newPath) {
    return ::link(existing.constData(), newPath.constData());
}
int FileOpIo::Symlink(const QByteArray& target, const QByteArray& linkPath) {
    return ::symlink(target.constData(), linkPath.constData());
}
int FileOpIo::Readlink(const QByteArray& path, QByteArray* target) {
    QByteArray buffer(PATH_MAX, Qt::Uninitialized);
    const ssize_t length = ::readlink(path.constData(), buffer.data(), size_t(buffer.size()));
    if (length < 0)
        return -1;
    if (length >= buffer.size()) {
        errno = ENAMETOOLONG;
        return -1;
    }
    buffer.truncate(length);
    *target = buffer;
    return 0;
}
int FileOpIo::Mknod(const QByteArray& path, mode_t mode, dev_t device) {
    return ::mknod(path.constData(), mode, device);
}
int FileOpIo::Chmod(const QByteArray& path, mode_t mode) {
    return ::chmod(path.constData(), mode);
}
int FileOpIo::Lchown(const QByteArray& path, uid_t uid, gid_t gid) {
    return ::lchown(path.constData(), uid, gid);
}
int FileOpIo::Lutimens(const QByteArray& path, const struct timespec times[2]) {
    return ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW);
}
int FileOpIo::ReadDir(const QByteArray& path, std::vector<QByteArray>* names) {
    // O_NOFOLLOW: a folder that was swapped for a link since it was examined
    // is not read through.
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    names->clear();
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        names->emplace_back(name);
        errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    errno = error;
    return error ? -1 : 0;
}
TrashResult FileOpIo::Trash(const QByteArray& path, QString* error) {
    return MoveToTrash(path, error);
}
bool FileOpIo::IsRemovable(const QByteArray& folder) {
    const VolumeTable table = VolumeTable::Read();
    const std::optional<MountEntry> mount = table.MountHolding(folder);
    return mount && table.IsRemovable(*mount);
}

// ---------------------------------------------------------------------------

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("FileOperation", text);
}

QString ErrnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray Join(const QByteArray& folder, const QByteArray& name) {
    if (folder.endsWith('/'))
        return folder + name;
    return folder + '/' + name;
}

QByteArray LastComponent(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? path : path.mid(slash + 1);
}

QByteArray ParentOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash <= 0)
        return "/";
    return path.left(slash);
}

QByteArray StripTrailingSlashes(QByteArray path) {
    while (path.size() > 1 && path.endsWith('/')) path.chop(1);
    return path;
}

QString Shown(const QByteArray& nameOrPath) {
    return DisplayFromName(NameFromBytes(LastComponent(nameOrPath)));
}

QString ShownPath(const QByteArray& path) {
    return DisplayFromName(NameFromBytes(path));
}

bool SameInode(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

QString SizeText(const struct stat& st) {
    return QLocale().formattedDataSize(qint64(st.st_size), 1, QLocale::DataSizeTraditionalFormat);
}

QString TimeText(const struct stat& st) {
    return QLocale().toString(QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec),
                              QLocale::ShortFormat);
}

QString KindText(const struct stat& st) {
    return S_ISDIR(st.st_mode) ? Tr("a folder") : Tr("a file");
}

bool HaveWidgets() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

constexpr std::size_t kCopyChunk = 8u << 20;   // one copy_file_range call
constexpr std::size_t kBufferSize = 4u << 20;  // read/write when it can't be used
constexpr qint64 kPumpMs = 40;                 // events are looked at this often
constexpr qint64 kPaintMs = 250;               // the dialog is repainted this often
// A cross-device move deletes sources in batches, after one flush of the
// target's file system: a flush per small file would make moving a tree
// many times slower than the tools users compare it with.
constexpr std::size_t kPendingItems = 2000;
constexpr std::uint64_t kPendingBytes = 256u << 20;

// One item of the plan: what was found at a source or below it.
struct Node {
    QByteArray name;  // the last component (the whole path for a source)
    struct stat st {};
    bool walked = false;
    int readError = 0;  // errno of reading the folder, 0 when read
    std::vector<Node> children;
    std::uint64_t bytes = 0;  // regular-file bytes of the subtree
    std::uint64_t items = 1;  // items of the subtree, itself included

    bool IsDir() const { return S_ISDIR(st.st_mode); }
};

enum class Outcome { Done, Partial, NotDone };

enum class Conflict { Overwrite, Skip, KeepBoth, Cancel };

}  // namespace

// ---------------------------------------------------------------------------

class FileOperation::Engine {
public:
    Engine(FileOperation& owner, FileOpRequest request, QWidget* parent)
        : m_owner(owner), m_req(std::move(request)), m_parent(parent), m_io(&m_defaultIo) {}

    FileOpResult Run();

    FileOperation& m_owner;
    FileOpRequest m_req;
    QWidget* m_parent;
    FileOpIo m_defaultIo;
    FileOpIo* m_io;
    int m_delayMs = 500;
    std::unique_ptr<FileOpProgressDialog> m_dialog;

private:
    struct Pending {
        QByteArray path;
        bool isDir = false;
        std::size_t top = 0;
    };

    // Planning.
    bool PrepareTarget();
    void Examine(const QByteArray& path, std::vector<Node>* tops);
    void Walk(Node& node, const QByteArray& path);
    bool IntoItself(const Node& node) const;
    bool SameItem(const QByteArray& source, const struct stat& sourceSt, const QByteArray& target,
                  const struct stat& targetSt);
    void Refuse(std::size_t top, const QString& text);

    // Execution.
    Outcome TransferTop(Node& node, std::size_t top);
    Outcome Transfer(Node& node, const QByteArray& source, const QByteArray& target, bool replace,
                     bool merge);
    Outcome TransferChildren(Node& node, const QByteArray& source, const QByteArray& target,
                             bool targetIsNew);
    Outcome CopyItem(Node& node, const QByteArray& source, const QByteArray& target, bool replace);
    Outcome MoveByRename(Node& node, const QByteArray& source, const QByteArray& target,
                         bool replace, bool merge, bool* crossDevice);
    int CopyFile(const Node& node, const QByteArray& source, const QByteArray& folder, bool replace,
                 QByteArray* temp, QString* what);
    int MakeCopy(const Node& node, const QByteArray& source, const QByteArray& folder, bool replace,
                 QByteArray* temp, QString* what);
    int CopyData(int in, int out, const Node& node);
    int CopyRange(int in, int out, off_t offset, off_t length, bool untilEof);
    int MakeTemp(const QByteArray& folder, const std::function<int(const QByteArray&)>& make,
                 QByteArray* temp);
    void SetTimes(const struct stat& st, struct timespec times[2]) const;
    std::optional<Conflict> ResolveConflict(const Node& node, const QByteArray& source,
                                            const QByteArray& target, bool top,
                                            QByteArray* finalTarget, bool* merge);
    Conflict AskConflict(const Node& node, const struct stat& existing, const QByteArray& target);
    QByteArray FreeName(const QByteArray& target, bool isFolder);
    void Queue(const QByteArray& path, bool isDir, std::uint64_t bytes);
    void FlushPending();

    Outcome DeleteTop(Node& node, std::size_t top);
    Outcome DeleteTree(Node& node, const QByteArray& path);
    bool ConfirmDelete(const std::vector<bool>& refused);

    // Questions and progress.
    enum class ErrorAnswer { Retry, Skip, Cancel };
    ErrorAnswer AskError(const QString& text, int error, bool canRetry = true);
    void Warn(const QString& text);
    QWidget* PromptParent() const;
    bool Pump(bool force = false);
    void Tick(bool force);
    bool Stopped();
    void Stop();
    void SetCurrent(const QByteArray& path);
    void FinishWrites();
    QString Title() const;

    FileOpResult m_result;
    std::vector<QByteArray> m_sources;
    std::vector<Outcome> m_outcomes;
    std::vector<QByteArray> m_finalTargets;
    QByteArray m_target;
    struct stat m_targetSt {};
    std::vector<std::pair<dev_t, ino_t>> m_targetChain;  // the target and its ancestors

    std::uint64_t m_bytesTotal = 0, m_bytesDone = 0, m_itemsTotal = 0, m_itemsDone = 0;
    bool m_stop = false;
    bool m_overwriteAll = false, m_mergeAll = false, m_skipAll = false;
    bool m_errorSkipAll = false, m_forGoodAll = false;
    bool m_copyRangeWorks = true;
    std::size_t m_top = 0;
    std::map<std::pair<dev_t, ino_t>, QByteArray> m_links;
    std::vector<Pending> m_pending;
    std::uint64_t m_pendingBytes = 0;
    std::vector<char> m_buffer;

    QElapsedTimer m_clock;
    qint64 m_lastPump = -1000, m_lastPaint = -1000;
    QString m_current, m_state;
};

QString FileOperation::Engine::Title() const {
    switch (m_req.func) {
        case FileOpRequest::Copy:
            return Tr("Copying");
        case FileOpRequest::Move:
            return Tr("Moving");
        case FileOpRequest::Delete:
            return m_req.allowUndo ? Tr("Moving to the trash") : Tr("Deleting");
    }
    return {};
}

QWidget* FileOperation::Engine::PromptParent() const {
    return m_dialog && m_dialog->isVisible() ? m_dialog.get() : m_parent;
}

bool FileOperation::Engine::Stopped() {
    if (!m_stop && m_owner.IsCancelled())
        Stop();
    return m_stop;
}

void FileOperation::Engine::Stop() {
    m_stop = true;
    m_result.aborted = true;
}

void FileOperation::Engine::SetCurrent(const QByteArray& path) {
    // Decoding every name of a large tree would cost more than the copy of a
    // small file; only the name shown at the next repaint is decoded.
    if (m_dialog && m_clock.elapsed() - m_lastPaint >= kPaintMs)
        m_current = Shown(path);
}

bool FileOperation::Engine::Pump(bool force) {
    if (Stopped())
        return false;
    Tick(force);
    return !Stopped();
}

void FileOperation::Engine::Tick(bool force) {
    const qint64 now = m_clock.elapsed();
    if (!force && now - m_lastPump < kPumpMs)
        return;
    m_lastPump = now;
    if (!m_dialog && !m_req.silent && now >= m_delayMs && HaveWidgets()) {
        m_dialog = std::make_unique<FileOpProgressDialog>(m_parent);
        m_dialog->setWindowModality(m_parent ? Qt::WindowModal : Qt::ApplicationModal);
        QObject::connect(m_dialog.get(), &FileOpProgressDialog::cancelRequested, m_dialog.get(),
                         [this] { m_owner.Cancel(); });
        m_lastPaint = -1000;
        m_dialog->show();
    }
    if (m_dialog && (force || now - m_lastPaint >= kPaintMs)) {
        FileOpProgress progress;
        progress.title = Title();
        progress.currentItem = m_current;
        progress.state = m_state;
        progress.bytesDone = m_bytesDone;
        progress.bytesTotal = m_bytesTotal;
        progress.itemsDone = m_itemsDone;
        progress.itemsTotal = m_itemsTotal;
        m_dialog->Update(progress);
        m_lastPaint = now;
    }
    // Before the dialog is up nothing modal guards the windows, so input
    // waits; once it is up, it takes the input (Cancel) and blocks the rest.
    QCoreApplication::processEvents(m_dialog ? QEventLoop::AllEvents
                                             : QEventLoop::ExcludeUserInputEvents);
}

void FileOperation::Engine::Warn(const QString& text) {
    m_result.errors.append(text);
    PromptRequest request;
    request.text = text;
    request.title = Title();
    request.icon = PromptIcon::Warning;
    request.parent = PromptParent();
    Prompts().MessageBox(request);
}

FileOperation::Engine::ErrorAnswer FileOperation::Engine::AskError(const QString& text, int error,
                                                                   bool canRetry) {
    const QString full = error ? text + QStringLiteral("\n\n") + ErrnoText(error) : text;
    if (m_errorSkipAll) {
        m_result.errors.append(full);
        return ErrorAnswer::Skip;
    }
    ChoiceRequest request;
    request.text = full;
    request.title = Title();
    request.icon = PromptIcon::Error;
    request.parent = PromptParent();
    QList<ErrorChoice> choices;
    if (canRetry)
        choices.append(ErrorChoice::Retry);
    choices.append({ErrorChoice::Skip, ErrorChoice::SkipAll, ErrorChoice::Cancel});
    for (ErrorChoice choice : choices) {
        switch (choice) {
            case ErrorChoice::Retry:
                request.answers.append(Tr("&Retry"));
                break;
            case ErrorChoice::Skip:
                request.answers.append(Tr("&Skip"));
                break;
            case ErrorChoice::SkipAll:
                request.answers.append(Tr("S&kip all"));
                break;
            case ErrorChoice::Cancel:
                request.answers.append(Tr("Cancel"));
                break;
        }
    }
    request.defaultAnswer = 0;
    request.escapeAnswer = int(choices.size()) - 1;
    const int index = Prompts().Choose(request);
    const ErrorChoice choice =
        index >= 0 && index < choices.size() ? choices.at(index) : ErrorChoice::Cancel;
    switch (choice) {
        case ErrorChoice::Retry:
            return ErrorAnswer::Retry;
        case ErrorChoice::SkipAll:
            m_errorSkipAll = true;
            [[fallthrough]];
        case ErrorChoice::Skip:
            m_result.errors.append(full);
            return ErrorAnswer::Skip;
        case ErrorChoice::Cancel:
            break;
    }
    m_result.errors.append(full);
    Stop();
    return ErrorAnswer::Cancel;
}

// ---------------------------------------------------------------------------
// Planning.

bool FileOperation::Engine::PrepareTarget() {
    m_target = StripTrailingSlashes(m_req.targetFolder);
    if (m_target.isEmpty() || !m_target.startsWith('/')) {
        Warn(Tr("The target folder \"%1\" is not an absolute path.").arg(ShownPath(m_target)));
        return false;
    }
    if (m_io->Stat(m_target, &m_targetSt) != 0) {
        const int error = errno;
        if (error != ENOENT) {
            Warn(Tr("Can't open the target folder \"%1\".").arg(ShownPath(m_target)) +
                 QStringLiteral("\n\n") + ErrnoText(error));
            return false;
        }
        if (!m_req.noConfirmMkdir && !m_req.noConfirmation) {
            PromptRequest request;
            request.text =
                Tr("The folder \"%1\" doesn't exist. Create it?").arg(ShownPath(m_target));
            request.title = Title();
            request.buttons = PromptButtons::YesNo;
            request.icon = PromptIcon::Question;
            request.parent = m_parent;
            if (Prompts().MessageBox(request) != PromptAnswer::Yes) {
                Stop();
                return false;
            }
        }
        // Each missing folder from the top down, so a parent that is in the
        // way as a file is reported rather than hidden.
        for (qsizetype slash = 1; slash >= 0;) {
            slash = m_target.indexOf('/', slash + 1);
            const QByteArray part = slash < 0 ? m_target : m_target.left(slash);
            if (m_io->Mkdir(part, 0777) != 0 && errno != EEXIST) {
                Warn(Tr("Can't create the folder \"%1\".").arg(ShownPath(part)) +
                     QStringLiteral("\n\n") + ErrnoText(errno));
                return false;
            }
        }
        if (m_io->Stat(m_target, &m_targetSt) != 0) {
            Warn(Tr("Can't open the target folder \"%1\".").arg(ShownPath(m_target)) +
                 QStringLiteral("\n\n") + ErrnoText(errno));
            return false;
        }
    }
    if (!S_ISDIR(m_targetSt.st_mode)) {
        Warn(Tr("The target \"%1\" is not a folder.").arg(ShownPath(m_target)));
        return false;
    }
    // Every folder from the target up to the root, by identity, so that a
    // source reached through another path (a link, a bind mount) is still
    // recognised as one of them.
    char* real = ::realpath(m_target.constData(), nullptr);
    QByteArray walk = real ? QByteArray(real) : m_target;
    std::free(real);
    for (;;) {
        struct stat st {};
        if (m_io->Stat(walk, &st) == 0)
            m_targetChain.emplace_back(st.st_dev, st.st_ino);
        if (walk == "/")
            break;
        walk = ParentOf(walk);
    }
    return true;
}

void FileOperation::Engine::Walk(Node& node, const QByteArray& path) {
    node.walked = true;
    node.bytes = S_ISREG(node.st.st_mode) ? std::uint64_t(node.st.st_size) : 0;
    node.items = 1;
    if (!node.IsDir())
        return;
    std::vector<QByteArray> names;
    node.children.clear();
    if (m_io->ReadDir(path, &names) != 0) {
        node.readError = errno;
        return;
    }
    node.readError = 0;
    std::sort(names.begin(), names.end());
    node.children.reserve(names.size());
    for (QByteArray& name : names) {
        Node child;
        child.name = std::move(name);
        const QByteArray childPath = Join(path, child.name);
        if (m_io->Lstat(childPath, &child.st) != 0)
            continue;  // gone since the folder was read
        Walk(child, childPath);
        node.bytes += child.bytes;
        node.items += child.items;
        node.children.push_back(std::move(child));
    }
    Pump();
}

bool FileOperation::Engine::IntoItself(const Node& node) const {
    if (!node.IsDir())
        return false;
    return std::any_of(m_targetChain.begin(), m_targetChain.end(), [&](const auto& id) {
        return id.first == node.st.st_dev && id.second == node.st.st_ino;
    });
}

bool FileOperation::Engine::SameItem(const QByteArray& source, const struct stat& sourceSt,
                                     const QByteArray& target, const struct stat& targetSt) {
    // The same path, or a hard link of it.
    if (SameInode(sourceSt, targetSt))
        return true;
    struct stat followed {};
    // The existing target is a link to the source...
    if (S_ISLNK(targetSt.st_mode) && m_io->Stat(target, &followed) == 0 &&
        SameInode(followed, sourceSt))
        return true;
    // ...or the source is a link to the target: replacing the target by a
    // copy of that link would leave a link to itself and lose the file.
    if (S_ISLNK(sourceSt.st_mode) && m_io->Stat(source, &followed) == 0 &&
        SameInode(followed, targetSt))
        return true;
    return false;
}

void FileOperation::Engine::Refuse(std::size_t top, const QString& text) {
    m_result.anyFailed = true;
    m_outcomes[top] = Outcome::NotDone;
    Warn(text);
}

// ---------------------------------------------------------------------------
// Conflicts.

QByteArray FileOperation::Engine::FreeName(const QByteArray& target, bool isFolder) {
    const QByteArray folder = ParentOf(target);
    const QByteArray name =
        FreeCopyName(LastComponent(target), isFolder, [&](const QByteArray& candidate) {
            struct stat st {};
            return m_io->Lstat(Join(folder, candidate), &st) == 0 || errno != ENOENT;
        });
    return name.isEmpty() ? QByteArray() : Join(folder, name);
}

Conflict FileOperation::Engine::AskConflict(const Node& node, const struct stat& existing,
                                            const QByteArray& target) {
    const bool bothFolders = node.IsDir() && S_ISDIR(existing.st_mode);
    const bool replaceable = bothFolders || (!node.IsDir() && !S_ISDIR(existing.st_mode));
    if (m_skipAll)
        return Conflict::Skip;
    if (replaceable && (m_req.noConfirmation || (bothFolders ? m_mergeAll : m_overwriteAll)))
        return Conflict::Overwrite;

    ChoiceRequest request;
    request.title = Title();
    request.icon = PromptIcon::Question;
    request.parent = PromptParent();
    const QString name = Shown(target);
    QList<ConflictChoice> choices;
    if (bothFolders) {
        request.text =
            Tr("The target folder already holds a folder named \"%1\".\n\n"
               "Merge the folders? Files with the same names are asked about one by one.")
                .arg(name);
        request.answers = {Tr("&Merge"), Tr("Merge &all")};
        choices = {ConflictChoice::Overwrite, ConflictChoice::OverwriteAll};
    } else if (replaceable) {
        request.text = Tr("The target folder already holds a file named \"%1\".\n\n"
                          "Existing: %2, modified %3\nNew: %4, modified %5\n\nReplace it?")
                           .arg(name, SizeText(existing), TimeText(existing), SizeText(node.st),
                                TimeText(node.st));
        request.answers = {Tr("&Overwrite"), Tr("Overwrite &all")};
        choices = {ConflictChoice::Overwrite, ConflictChoice::OverwriteAll};
    } else {
        request.text = Tr("The target folder already holds %1 named \"%2\", which can't be "
                          "replaced by %3.")
                           .arg(KindText(existing), name, KindText(node.st));
    }
    request.answers += {Tr("&Skip"), Tr("S&kip all"), Tr("&Keep both"), Tr("Cancel")};
    choices += {ConflictChoice::Skip, ConflictChoice::SkipAll, ConflictChoice::KeepBoth,
                ConflictChoice::Cancel};
    request.defaultAnswer = int(choices.indexOf(ConflictChoice::Skip));
    request.escapeAnswer = int(choices.size()) - 1;
    const int index = Prompts().Choose(request);
    const ConflictChoice choice =
        index >= 0 && index < choices.size() ? choices.at(index) : ConflictChoice::Cancel;
    switch (choice) {
        case ConflictChoice::OverwriteAll:
            (bothFolders ? m_mergeAll : m_overwriteAll) = true;
            [[fallthrough]];
        case ConflictChoice::Overwrite:
            return Conflict::Overwrite;
        case ConflictChoice::SkipAll:
            m_skipAll = true;
            [[fallthrough]];
        case ConflictChoice::Skip:
            return Conflict::Skip;
        case ConflictChoice::KeepBoth:
            return Conflict::KeepBoth;
        case ConflictChoice::Cancel:
            break;
    }
    return Conflict::Cancel;
}

// Looks at what is at `target`. Fills the name to use and whether to merge
// into an existing folder; nullopt when there is nothing in the way.
std::optional<Conflict> FileOperation::Engine::ResolveConflict(const Node& node,
                                                               const QByteArray& source,
                                                               const QByteArray& target, bool top,
                                                               QByteArray* finalTarget,
                                                               bool* merge) {
    *finalTarget = target;
    *merge = false;
    struct stat existing {};
    if (m_io->Lstat(target, &existing) != 0)
        return std::nullopt;
    if (SameItem(source, node.st, target, existing)) {
        // Only a copy given a new name can be made of an item onto itself.
        if (!(top && m_req.func == FileOpRequest::Copy && m_req.renameOnCollision)) {
            const QString text = m_req.func == FileOpRequest::Move && top
                                     ? Tr("Can't move \"%1\": it is already in the target folder.")
                                     : Tr("Can't copy \"%1\" onto itself.");
            AskError(text.arg(Shown(source)), 0, false);
            m_result.anyFailed = true;
            return Conflict::Skip;
        }
    } else if (!(top && m_req.renameOnCollision)) {
        const Conflict answer = AskConflict(node, existing, target);
        if (answer == Conflict::Overwrite && node.IsDir())
            *merge = true;
        if (answer != Conflict::KeepBoth)
            return answer;
    }
    *finalTarget = FreeName(target, node.IsDir());
    if (finalTarget->isEmpty()) {
        AskError(Tr("Can't find a free name for a copy of \"%1\".").arg(Shown(source)), 0, false);
        return Conflict::Skip;
    }
    return Conflict::KeepBoth;
}

// ---------------------------------------------------------------------------
// Copying.

void FileOperation::Engine::SetTimes(const struct stat& st, struct timespec times[2]) const {
    times[0] = st.st_atim;
    times[1] = st.st_mtim;
}

int FileOperation::Engine::MakeTemp(const QByteArray& folder,
                                    const std::function<int(const QByteArray&)>& make,
                                    QByteArray* temp) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, ".corvane-%016llx.part",
                      static_cast<unsigned long long>(QRandomGenerator::global()->generate64()));
        *temp = Join(folder, name);
        const int result = make(*temp);
        if (result >= 0 || errno != EEXIST)
            return result;
    }
    errno = EEXIST;
    return -1;
}

int FileOperation::Engine::CopyRange(int in, int out, off_t offset, off_t length, bool untilEof) {
    off_t done = 0;
    while (untilEof || done < length) {
        if (!Pump())
            return -2;
        const std::size_t want =
            untilEof ? kCopyChunk : std::size_t(std::min<off_t>(length - done, off_t(kCopyChunk)));
        if (m_copyRangeWorks) {
            off_t inOffset = offset + done, outOffset = offset + done;
            const ssize_t copied = m_io->CopyFileRange(in, &inOffset, out, &outOffset, want);
            if (copied > 0) {
                done += copied;
                m_bytesDone += std::uint64_t(copied);
                continue;
            }
            if (copied == 0)
                return 0;  // end of the file (it may have shrunk meanwhile)
            if (errno == EINTR)
                continue;
            // Not supported between these file systems: plain reads and
            // writes from here on. Real write errors come back the same way
            // and will show again there.
            if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL &&
                errno != EBADF && errno != ETXTBSY && errno != EPERM)
                return -1;
            m_copyRangeWorks = false;
        }
        if (m_buffer.empty())
            m_buffer.resize(kBufferSize);
        if (m_io->Lseek(in, offset + done, SEEK_SET) < 0 ||
            m_io->Lseek(out, offset + done, SEEK_SET) < 0)
            return -1;
        const std::size_t chunk = std::min(want, m_buffer.size());
        const ssize_t got = m_io->Read(in, m_buffer.data(), chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            return 0;
        for (ssize_t written = 0; written < got;) {
            const ssize_t put =
                m_io->Write(out, m_buffer.data() + written, std::size_t(got - written));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return -1;
            }
            written += put;
        }
        done += got;
        m_bytesDone += std::uint64_t(got);
    }
    return 0;
}

int FileOperation::Engine::CopyData(int in, int out, const Node& node) {
    const off_t size = node.st.st_size;
    const bool sparse = size > 0 && off_t(node.st.st_blocks) * 512 < size;
    if (!sparse)
        return CopyRange(in, out, 0, 0, true);
    // Only the data extents are copied; the holes stay holes because the
    // file is given its length at the end instead of being written there.
    const std::uint64_t startBytes = m_bytesDone;
    off_t position = 0;
    while (position < size) {
        const off_t data = m_io->Lseek(in, position, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO)
                break;  // only a hole is left
            if (errno == EINVAL || errno == EOPNOTSUPP) {
                const int result = CopyRange(in, out, position, 0, true);
                return result;
            }
            return -1;
        }
        off_t hole = m_io->Lseek(in, data, SEEK_HOLE);
        if (hole < 0)
            return -1;
        hole = std::min(hole, size);
        if (hole > data) {
            const int result = CopyRange(in, out, data, hole - data, false);
            if (result != 0)
                return result;
        }
        m_bytesDone = startBytes + std::uint64_t(hole);
        position = hole;
    }
    m_bytesDone = startBytes + std::uint64_t(size);
    return m_io->Ftruncate(out, size);
}

// Copies a regular file into a new temporary file in `folder` (its name in
// `temp`). Returns 0, -1 with errno and `what` set, or -2 when cancelled.
int FileOperation::Engine::CopyFile(const Node& node, const QByteArray& source,
                                    const QByteArray& folder, bool replace, QByteArray* temp,
                                    QString* what) {
    const int in = m_io->Open(source, O_RDONLY | O_NOFOLLOW);
    if (in < 0) {
        *what = Tr("Can't read \"%1\".");
        return -1;
    }
    const int out = MakeTemp(
        folder,
        [&](const QByteArray& t) {
            return m_io->Open(t, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
        },
        temp);
    if (out < 0) {
        const int error = errno;
        temp->clear();
        m_io->Close(in);
        errno = error;
        *what = Tr("Can't create the copy of \"%1\".");
        return -1;
    }
    int result = CopyData(in, out, node);
    int error = errno;
    if (result == -1)
        *what = Tr("Can't copy \"%1\".");
    if (result == 0) {
        // Ownership first: changing it clears the set-id bits the mode sets.
        // An ordinary user may not give files away; the copy is theirs then.
        (void)m_io->Fchown(out, node.st.st_uid, node.st.st_gid);
        struct timespec times[2];
        SetTimes(node.st, times);
        if (m_io->Fchmod(out, node.st.st_mode & 07777) != 0 || m_io->Futimens(out, times) != 0) {
            result = -1;
            error = errno;
            *what = Tr("Can't set the attributes of the copy of \"%1\".");
        }
    }
    // Replacing a file, the new one must be on disk before the old one goes,
    // or a crash right after could leave neither.
    if (result == 0 && replace && m_io->Fsync(out) != 0) {
        result = -1;
        error = errno;
        *what = Tr("Can't write the copy of \"%1\".");
    }
    m_io->Close(in);
    if (m_io->Close(out) != 0 && result == 0) {
        result = -1;
        error = errno;
        *what = Tr("Can't write the copy of \"%1\".");
    }
    errno = error;
    return result;
}

// Makes the item at a temporary name in the target's folder: a hard link to
// an earlier copy of the same file, a copy of a file, a link, a special
// file. Returns 0, -1 with errno and `what` set, or -2 when cancelled.
int FileOperation::Engine::MakeCopy(const Node& node, const QByteArray& source,
                                    const QByteArray& folder, bool replace, QByteArray* temp,
                                    QString* what) {
    const mode_t type = node.st.st_mode & S_IFMT;
    struct timespec times[2];
    SetTimes(node.st, times);
    if (type == S_IFREG) {
        if (node.st.st_nlink > 1) {
            const auto found = m_links.find({node.st.st_dev, node.st.st_ino});
            // A link that can't be made (the first copy is gone, another file
            // system) becomes a copy of its own.
            if (found != m_links.end() &&
                MakeTemp(
                    folder, [&](const QByteArray& t) { return m_io->Link(found->second, t); },
                    temp) == 0) {
                m_bytesDone += std::uint64_t(node.st.st_size);
                return 0;
            }
            temp->clear();
        }
        return CopyFile(node, source, folder, replace, temp, what);
    }
    if (type == S_IFLNK) {
        QByteArray linkTarget;
        if (m_io->Readlink(source, &linkTarget) != 0) {
            *what = Tr("Can't read the link \"%1\".");
            return -1;
        }
        if (MakeTemp(
                folder, [&](const QByteArray& t) { return m_io->Symlink(linkTarget, t); }, temp) !=
            0) {
            const int error = errno;
            temp->clear();
            errno = error;
            *what = Tr("Can't create the copy of the link \"%1\".");
            return -1;
        }
        (void)m_io->Lchown(*temp, node.st.st_uid, node.st.st_gid);
        (void)m_io->Lutimens(*temp, times);
        return 0;
    }
    if (MakeTemp(
            folder,
            [&](const QByteArray& t) { return m_io->Mknod(t, node.st.st_mode, node.st.st_rdev); },
            temp) != 0) {
        const int error = errno;
        temp->clear();
        errno = error;
        *what = Tr("Can't create the copy of the special file \"%1\".");
        return -1;
    }
    (void)m_io->Lchown(*temp, node.st.st_uid, node.st.st_gid);
    (void)m_io->Chmod(*temp, node.st.st_mode & 07777);
    (void)m_io->Lutimens(*temp, times);
    return 0;
}

// Copies one item (any kind but a folder) under a temporary name and renames
// it to `target`.
Outcome FileOperation::Engine::CopyItem(Node& node, const QByteArray& source,
                                        const QByteArray& target, bool replace) {
    const QByteArray folder = ParentOf(target);
    const std::uint64_t bytesBefore = m_bytesDone;
    for (;;) {
        QByteArray temp;
        QString what;
        m_bytesDone = bytesBefore;
        int result = MakeCopy(node, source, folder, replace, &temp, &what);
        int error = errno;
        if (result == 0 &&
            m_io->Rename(temp, target, replace ? 0u : unsigned(RENAME_NOREPLACE)) != 0) {
            error = errno;
            if (error == EINVAL && !replace) {
                // The file system lacks RENAME_NOREPLACE: look, then rename.
                struct stat st {};
                if (m_io->Lstat(target, &st) != 0 && errno == ENOENT)
                    error = m_io->Rename(temp, target, 0) == 0 ? 0 : errno;
                else
                    error = EEXIST;
            }
            if (error != 0) {
                result = -1;
                what = error == EEXIST ? Tr("Can't copy \"%1\": an item of that name appeared in "
                                            "the target folder.")
                                       : Tr("Can't put the copy of \"%1\" in place.");
                if (error == EEXIST)
                    error = 0;
            }
        }
        if (result != 0 && !temp.isEmpty())
            m_io->Unlink(temp);  // what was written so far goes; the real name never saw it
        if (result == 0) {
            if (S_ISREG(node.st.st_mode) && node.st.st_nlink > 1)
                m_links.emplace(std::make_pair(node.st.st_dev, node.st.st_ino), target);
            m_bytesDone = bytesBefore + node.bytes;
            m_itemsDone += 1;
            return Outcome::Done;
        }
        m_bytesDone = bytesBefore + node.bytes;
        if (result == -2 || Stopped()) {
            m_itemsDone += 1;
            return Outcome::NotDone;
        }
        if (AskError(what.arg(Shown(source)), error) != ErrorAnswer::Retry) {
            m_result.anyFailed = true;
            m_itemsDone += 1;
            return Outcome::NotDone;
        }
    }
}

// ---------------------------------------------------------------------------
// Moving.

void FileOperation::Engine::Queue(const QByteArray& path, bool isDir, std::uint64_t bytes) {
    m_pending.push_back({path, isDir, m_top});
    m_pendingBytes += bytes;
    if (m_pending.size() >= kPendingItems || m_pendingBytes >= kPendingBytes)
        FlushPending();
}

// Deletes the sources of finished cross-device moves once their copies are
// known to be on the target's disk.
void FileOperation::Engine::FlushPending() {
    if (m_pending.empty())
        return;
    std::vector<Pending> pending;
    pending.swap(m_pending);
    m_pendingBytes = 0;
    const int fd = m_io->Open(m_target, O_RDONLY | O_DIRECTORY);
    int flushed = fd >= 0 ? m_io->Syncfs(fd) : -1;
    const int error = errno;
    if (fd >= 0)
        m_io->Close(fd);
    if (flushed != 0) {
        // The copies may not be safe: every source stays.
        AskError(
            Tr("Can't make sure that the copies in \"%1\" are written; their originals are kept.")
                .arg(ShownPath(m_target)),
            error, false);
        m_result.anyFailed = true;
        for (const Pending& item : pending) {
            if (m_outcomes[item.top] == Outcome::Done)
                m_outcomes[item.top] = Outcome::Partial;
        }
        return;
    }
    for (const Pending& item : pending) {
        if (item.isDir) {
            // Still holding something that was not moved: it stays, quietly.
            if (m_io->Rmdir(item.path) != 0 && m_outcomes[item.top] == Outcome::Done)
                m_outcomes[item.top] = Outcome::Partial;
            continue;
        }
        for (;;) {
            if (m_io->Unlink(item.path) == 0 || errno == ENOENT)
                break;
            const int unlinkError = errno;
            if (AskError(Tr("\"%1\" was copied but can't be removed from its folder.")
                             .arg(Shown(item.path)),
                         unlinkError) != ErrorAnswer::Retry) {
                m_result.anyFailed = true;
                if (m_outcomes[item.top] == Outcome::Done)
                    m_outcomes[item.top] = Outcome::Partial;
                break;
            }
        }
    }
}

Outcome FileOperation::Engine::MoveByRename(Node& node, const QByteArray& source,
                                            const QByteArray& target, bool replace, bool merge,
                                            bool* crossDevice) {
    *crossDevice = false;
    if (merge)
        return Outcome::NotDone;  // handled by the caller
    for (;;) {
        if (m_io->Rename(source, target, replace ? 0u : unsigned(RENAME_NOREPLACE)) == 0) {
            m_itemsDone += node.walked ? node.items : 1;
            m_bytesDone += node.walked ? node.bytes : 0;
            return Outcome::Done;
        }
        int error = errno;
        if (error == EXDEV) {
            *crossDevice = true;
            return Outcome::NotDone;
        }
        if (error == EINVAL && !replace) {
            struct stat st {};
            if (m_io->Lstat(target, &st) != 0 && errno == ENOENT) {
                if (m_io->Rename(source, target, 0) == 0) {
                    m_itemsDone += node.walked ? node.items : 1;
                    return Outcome::Done;
                }
                error = errno;
                if (error == EXDEV) {
                    *crossDevice = true;
                    return Outcome::NotDone;
                }
            } else {
                error = EEXIST;
            }
        }
        const QString text =
            error == EEXIST
                ? Tr("Can't move \"%1\": an item of that name appeared in the target folder.")
                : Tr("Can't move \"%1\".");
        if (AskError(text.arg(Shown(source)), error == EEXIST ? 0 : error) != ErrorAnswer::Retry) {
            m_result.anyFailed = true;
            return Outcome::NotDone;
        }
    }
}

// ---------------------------------------------------------------------------
// Copy and move, item by item.

Outcome FileOperation::Engine::TransferChildren(Node& node, const QByteArray& source,
                                                const QByteArray& target, bool targetIsNew) {
    while (node.readError) {
        if (AskError(Tr("Can't read the folder \"%1\".").arg(Shown(source)), node.readError) !=
            ErrorAnswer::Retry) {
            m_result.anyFailed = true;
            return Outcome::NotDone;
        }
        const std::uint64_t before = node.bytes;
        Walk(node, source);
        m_bytesTotal += node.bytes - std::min(before, node.bytes);
        m_itemsTotal += node.items - 1;
    }
    bool allDone = true, anyDone = false;
    for (Node& child : node.children) {
        if (Stopped()) {
            allDone = false;
            break;
        }
        const QByteArray childSource = Join(source, child.name);
        QByteArray childTarget = Join(target, child.name);
        bool merge = false, replace = false;
        if (!targetIsNew) {
            QByteArray resolved;
            const std::optional<Conflict> conflict =
                ResolveConflict(child, childSource, childTarget, false, &resolved, &merge);
            if (conflict) {
                if (*conflict == Conflict::Cancel)
                    Stop();
                if (*conflict == Conflict::Cancel || *conflict == Conflict::Skip) {
                    if (*conflict == Conflict::Skip)
                        m_result.anySkipped = true;
                    m_itemsDone += child.items;
                    m_bytesDone += child.bytes;
                    allDone = false;
                    continue;
                }
                replace = *conflict == Conflict::Overwrite && !merge;
                childTarget = resolved;
            }
        }
        const Outcome outcome = Transfer(child, childSource, childTarget, replace, merge);
        allDone = allDone && outcome == Outcome::Done;
        anyDone = anyDone || outcome != Outcome::NotDone;
    }
    if (allDone)
        return Outcome::Done;
    return anyDone ? Outcome::Partial : Outcome::NotDone;
}

Outcome FileOperation::Engine::Transfer(Node& node, const QByteArray& source,
                                        const QByteArray& target, bool replace, bool merge) {
    SetCurrent(source);
    const bool move = m_req.func == FileOpRequest::Move;
    // Within one file system a move is a rename; a folder being merged is
    // moved child by child below.
    if (move && !merge && node.st.st_dev == m_targetSt.st_dev) {
        bool crossDevice = false;
        const Outcome outcome = MoveByRename(node, source, target, replace, merge, &crossDevice);
        if (!crossDevice)
            return outcome;
    }
    if (!node.walked) {
        Walk(node, source);
        m_bytesTotal += node.bytes;
        m_itemsTotal += node.items - 1;
    }
    if (move && merge) {
        // Within one file system a merge moves the children one by one.
        struct stat st {};
        if (m_io->Lstat(source, &st) == 0 && st.st_dev == m_targetSt.st_dev) {
            bool allDone = true, anyDone = false;
            for (Node& child : node.children) {
                if (Stopped()) {
                    allDone = false;
                    break;
                }
                QByteArray resolved;
                bool childMerge = false;
                const QByteArray childSource = Join(source, child.name);
                const std::optional<Conflict> conflict = ResolveConflict(
                    child, childSource, Join(target, child.name), false, &resolved, &childMerge);
                if (conflict && (*conflict == Conflict::Cancel || *conflict == Conflict::Skip)) {
                    if (*conflict == Conflict::Cancel)
                        Stop();
                    else
                        m_result.anySkipped = true;
                    allDone = false;
                    continue;
                }
                const Outcome outcome = Transfer(
                    child, childSource, resolved,
                    conflict && *conflict == Conflict::Overwrite && !childMerge, childMerge);
                allDone = allDone && outcome == Outcome::Done;
                anyDone = anyDone || outcome != Outcome::NotDone;
            }
            if (allDone && m_io->Rmdir(source) == 0)
                return Outcome::Done;
            return anyDone || allDone ? Outcome::Partial : Outcome::NotDone;
        }
    }

    if (!node.IsDir()) {
        const Outcome outcome = CopyItem(node, source, target, replace);
        if (outcome == Outcome::Done && move) {
            Queue(source, false, node.bytes);
        }
        return outcome;
    }

    // A folder: made (or merged into), filled, then given its attributes.
    bool made = false;
    if (!merge) {
        for (;;) {
            // Owner-only until filled: nobody else sees a half-made folder,
            // and a read-only source folder can still be filled here.
            if (m_io->Mkdir(target, 0700) == 0) {
                made = true;
                break;
            }
            const int error = errno;
            if (AskError(Tr("Can't create the folder \"%1\".").arg(Shown(target)), error) !=
                ErrorAnswer::Retry) {
                m_result.anyFailed = true;
                m_itemsDone += node.items;
                return Outcome::NotDone;
            }
        }
    }
    m_itemsDone += 1;
    Outcome outcome = TransferChildren(node, source, target, made);
    if (made) {
        struct timespec times[2];
        SetTimes(node.st, times);
        (void)m_io->Lchown(target, node.st.st_uid, node.st.st_gid);
        if (m_io->Chmod(target, node.st.st_mode & 07777) != 0 ||
            m_io->Lutimens(target, times) != 0) {
            AskError(Tr("Can't set the attributes of the folder \"%1\".").arg(Shown(target)), errno,
                     false);
        }
        if (outcome == Outcome::NotDone)
            m_io->Rmdir(target);  // made for nothing: tidied away if still empty
    }
    if (move && outcome == Outcome::Done)
        Queue(source, true, 0);
    return outcome;
}

Outcome FileOperation::Engine::TransferTop(Node& node, std::size_t top) {
    const QByteArray& source = m_sources[top];
    QByteArray target = Join(m_target, LastComponent(source));
    bool merge = false, replace = false;
    QByteArray resolved;
    const std::optional<Conflict> conflict =
        ResolveConflict(node, source, target, true, &resolved, &merge);
    if (conflict) {
        if (*conflict == Conflict::Cancel) {
            Stop();
            return Outcome::NotDone;
        }
        if (*conflict == Conflict::Skip) {
            m_result.anySkipped = true;
            m_itemsDone += node.items;
            m_bytesDone += node.bytes;
            return Outcome::NotDone;
        }
        replace = *conflict == Conflict::Overwrite && !merge;
        target = resolved;
    }
    m_finalTargets[top] = target;
    return Transfer(node, source, target, replace, merge);
}

// ---------------------------------------------------------------------------
// Deleting.

bool FileOperation::Engine::ConfirmDelete(const std::vector<bool>& refused) {
    std::size_t count = 0;
    QByteArray only;
    for (std::size_t i = 0; i < refused.size(); ++i) {
        if (refused[i])
            continue;
        ++count;
        only = m_sources[i];
    }
    if (count == 0)
        return false;
    PromptRequest request;
    request.title = Tr("Delete");
    request.buttons = PromptButtons::YesNo;
    request.icon = m_req.allowUndo ? PromptIcon::Question : PromptIcon::Warning;
    request.parent = m_parent;
    if (m_req.allowUndo) {
        request.text = count == 1 ? Tr("Move \"%1\" to the trash?").arg(Shown(only))
                                  : Tr("Move these %1 items to the trash?").arg(count);
    } else {
        request.text = (count == 1 ? Tr("Permanently delete \"%1\"?").arg(Shown(only))
                                   : Tr("Permanently delete these %1 items?").arg(count)) +
                       QStringLiteral("\n\n") + Tr("This can't be undone.");
        request.defaultButton = 1;  // No
    }
    return Prompts().MessageBox(request) == PromptAnswer::Yes;
}

Outcome FileOperation::Engine::DeleteTree(Node& node, const QByteArray& path) {
    SetCurrent(path);
    if (!Pump())
        return Outcome::NotDone;
    bool allDone = true, anyDone = false;
    if (node.IsDir()) {
        // The folder must still be the one examined: were it swapped for a
        // link, the names below would be removed from wherever it points.
        struct stat now {};
        if (m_io->Lstat(path, &now) != 0 || !S_ISDIR(now.st_mode) || !SameInode(now, node.st)) {
            AskError(Tr("\"%1\" changed while it was being deleted; it is left as it is.")
                         .arg(Shown(path)),
                     0, false);
            m_result.anyFailed = true;
            return Outcome::NotDone;
        }
        while (node.readError) {
            if (AskError(Tr("Can't read the folder \"%1\".").arg(Shown(path)), node.readError) !=
                ErrorAnswer::Retry) {
                m_result.anyFailed = true;
                return Outcome::NotDone;
            }
            Walk(node, path);
        }
        for (Node& child : node.children) {
            if (Stopped()) {
                allDone = false;
                break;
            }
            const Outcome outcome = DeleteTree(child, Join(path, child.name));
            allDone = allDone && outcome == Outcome::Done;
            anyDone = anyDone || outcome != Outcome::NotDone;
        }
        if (!allDone)
            return anyDone ? Outcome::Partial : Outcome::NotDone;
    }
    for (;;) {
        const int result = node.IsDir() ? m_io->Rmdir(path) : m_io->Unlink(path);
        if (result == 0 || errno == ENOENT) {
            m_itemsDone += 1;
            m_bytesDone += S_ISREG(node.st.st_mode) ? std::uint64_t(node.st.st_size) : 0;
            return Outcome::Done;
        }
        const int error = errno;
        if (AskError(Tr("Can't delete \"%1\".").arg(Shown(path)), error) != ErrorAnswer::Retry) {
            m_result.anyFailed = true;
            return node.IsDir() ? Outcome::Partial : Outcome::NotDone;
        }
    }
}

Outcome FileOperation::Engine::DeleteTop(Node& node, std::size_t top) {
    const QByteArray& path = m_sources[top];
    SetCurrent(path);
    if (m_req.allowUndo) {
        for (;;) {
            if (!Pump())
                return Outcome::NotDone;
            QString error;
            const TrashResult result = m_io->Trash(path, &error);
            if (result == TrashResult::Trashed) {
                m_itemsDone += 1;
                return Outcome::Done;
            }
            if (result == TrashResult::Failed) {
                if (AskError(Tr("Can't move \"%1\" to the trash.").arg(Shown(path)) +
                                 (error.isEmpty() ? QString() : QStringLiteral("\n\n") + error),
                             0) != ErrorAnswer::Retry) {
                    m_result.anyFailed = true;
                    return Outcome::NotDone;
                }
                continue;
            }
            // No trash on that volume: deleting for good is the user's call,
            // every time unless they said so for all.
            if (!m_forGoodAll) {
                ChoiceRequest request;
                request.title = Title();
                request.icon = PromptIcon::Warning;
                request.parent = PromptParent();
                request.text = Tr("\"%1\" can't be moved to the trash: its volume has none.\n\n"
                                  "Delete it permanently? This can't be undone.")
                                   .arg(Shown(path));
                if (!error.isEmpty())
                    request.text += QStringLiteral("\n\n") + error;
                request.answers = {Tr("&Delete permanently"), Tr("Delete &all permanently"),
                                   Tr("&Skip"), Tr("Cancel")};
                request.defaultAnswer = int(NoTrashChoice::Skip);
                request.escapeAnswer = int(NoTrashChoice::Cancel);
                const int answer = Prompts().Choose(request);
                if (answer == int(NoTrashChoice::Skip)) {
                    m_result.anySkipped = true;
                    return Outcome::NotDone;
                }
                if (answer != int(NoTrashChoice::DeleteForGood) &&
                    answer != int(NoTrashChoice::DeleteAllForGood)) {
                    Stop();
                    return Outcome::NotDone;
                }
                m_forGoodAll = answer == int(NoTrashChoice::DeleteAllForGood);
            }
            break;
        }
        Walk(node, path);
        m_itemsTotal += node.items - 1;
        m_bytesTotal += node.bytes;
    }
    return DeleteTree(node, path);
}

// ---------------------------------------------------------------------------

void FileOperation::Engine::FinishWrites() {
    if (m_req.func == FileOpRequest::Delete || m_target.isEmpty() || !m_io->IsRemovable(m_target))
        return;
    m_state = Tr("Finishing writes");
    m_current = ShownPath(m_target);
    const int fd = m_io->Open(m_target, O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    // The flush can take long on a slow stick; the dialog stays alive
    // meanwhile (it can't be cancelled: the data is already on its way).
    FileOpIo* io = m_io;
    std::future<int> flushed = std::async(std::launch::async, [io, fd] { return io->Syncfs(fd); });
    while (flushed.wait_for(std::chrono::milliseconds(kPumpMs)) != std::future_status::ready)
        Tick(true);
    const int result = flushed.get();
    const int error = errno;
    m_io->Close(fd);
    if (result != 0) {
        m_result.anyFailed = true;
        Warn(Tr("Writing to \"%1\" may not have completed.").arg(ShownPath(m_target)) +
             QStringLiteral("\n\n") + ErrnoText(error));
    }
    m_state.clear();
}

FileOpResult FileOperation::Engine::Run() {
    m_clock.start();
    // Sources as given, without trailing slashes and duplicates.
    for (const QByteArray& raw : m_req.sources) {
        const QByteArray source = StripTrailingSlashes(raw);
        if (!source.isEmpty() &&
            std::find(m_sources.begin(), m_sources.end(), source) == m_sources.end())
            m_sources.push_back(source);
    }
    m_outcomes.assign(m_sources.size(), Outcome::NotDone);
    m_finalTargets.assign(m_sources.size(), QByteArray());
    std::vector<Node> tops(m_sources.size());
    std::vector<bool> refused(m_sources.size(), false);

    const bool transfer = m_req.func != FileOpRequest::Delete;
    bool ok = !m_sources.empty() && (!transfer || PrepareTarget());
    if (ok) {
        // Plan: examine every source; refuse what must not be done.
        for (std::size_t i = 0; i < m_sources.size(); ++i) {
            Node& node = tops[i];
            node.name = m_sources[i];
            if (m_io->Lstat(m_sources[i], &node.st) != 0) {
                refused[i] = true;
                Refuse(i, Tr("Can't find \"%1\".").arg(ShownPath(m_sources[i])) +
                              QStringLiteral("\n\n") + ErrnoText(errno));
                continue;
            }
            if (transfer && IntoItself(node)) {
                refused[i] = true;
                Refuse(
                    i,
                    (m_req.func == FileOpRequest::Copy
                         ? Tr("Can't copy the folder \"%1\" into itself or one of its own folders.")
                         : Tr("Can't move the folder \"%1\" into itself or one of its own "
                              "folders."))
                        .arg(Shown(m_sources[i])));
                continue;
            }
        }
        if (m_req.func == FileOpRequest::Delete && !m_req.noConfirmation) {
            ok = ConfirmDelete(refused);
            if (!ok && std::count(refused.begin(), refused.end(), false) > 0)
                Stop();
        }
    }
    if (ok) {
        for (std::size_t i = 0; i < m_sources.size(); ++i) {
            if (refused[i])
                continue;
            Node& node = tops[i];
            // A move within one file system is a rename: nothing to count.
            // Sending to the trash walks only when the trash is not there.
            const bool walk =
                m_req.func == FileOpRequest::Copy ||
                (m_req.func == FileOpRequest::Move && node.st.st_dev != m_targetSt.st_dev) ||
                (m_req.func == FileOpRequest::Delete && !m_req.allowUndo);
            if (walk)
                Walk(node, m_sources[i]);
            m_itemsTotal += walk ? node.items : 1;
            m_bytesTotal += walk ? node.bytes : 0;
            if (Stopped())
                break;
        }
        for (std::size_t i = 0; i < m_sources.size() && !Stopped(); ++i) {
            if (refused[i])
                continue;
            m_top = i;
            m_outcomes[i] = transfer ? TransferTop(tops[i], i) : DeleteTop(tops[i], i);
        }
        FlushPending();
        FinishWrites();
    }

    for (std::size_t i = 0; i < m_sources.size(); ++i) {
        switch (m_outcomes[i]) {
            case Outcome::Done:
                m_result.done.emplace_back(m_sources[i], m_finalTargets[i]);
                break;
            case Outcome::Partial:
                m_result.partial.emplace_back(m_sources[i], m_finalTargets[i]);
                break;
            case Outcome::NotDone:
                m_result.notDone.push_back(m_sources[i]);
                break;
        }
    }
    if (!ok && transfer && !m_result.aborted)
        m_result.anyFailed = true;
    if (m_dialog) {
        m_dialog->hide();
        m_dialog.reset();
    }
    return m_result;
}

// ---------------------------------------------------------------------------

FileOperation::FileOperation(FileOpRequest request, QWidget* parent)
    : m_engine(std::make_unique<Engine>(*this, std::move(request), parent)) {}

FileOperation::~FileOperation() = default;

void FileOperation::SetIo(FileOpIo* io) {
    m_engine->m_io = io ? io : &m_engine->m_defaultIo;
}

void FileOperation::SetProgressDelay(int milliseconds) {
    m_engine->m_delayMs = std::max(0, milliseconds);
}

FileOpResult FileOperation::Run() {
    return m_engine->Run();
}

void FileOperation::Cancel() {
    m_cancelled.store(true);
}

FileOpProgressDialog* FileOperation::ProgressDialog() const {
    return m_engine->m_dialog.get();
}

FileOpResult SHFileOperation(const FileOpRequest& request, QWidget* parent) {
    FileOperation operation(request, parent);
    return operation.Run();
}

QByteArray FreeCopyName(const QByteArray& name, bool isFolder,
                        const std::function<bool(const QByteArray&)>& exists) {
    QByteArray stem = name, extension;
    if (!isFolder) {
        const qsizetype dot = name.lastIndexOf('.');
        if (dot > 0) {
            stem = name.left(dot);
            extension = name.mid(dot);
        }
    }
    constexpr qsizetype kNameMax = NAME_MAX;
    for (int number = 1; number < 100000; ++number) {
        const QByteArray suffix =
            number == 1 ? QByteArray(" (copy)") : " (copy " + QByteArray::number(number) + ')';
        QByteArray base = stem, ext = extension;
        if (base.size() + suffix.size() + ext.size() > kNameMax) {
            if (suffix.size() + ext.size() >= kNameMax)
                ext.clear();  // an absurdly long extension gives way first
            qsizetype keep = kNameMax - suffix.size() - ext.size();
            keep = std::min(keep, base.size());
            // Not in the middle of a UTF-8 sequence.
            while (keep > 0 && keep < base.size() && (uchar(base.at(keep)) & 0xC0) == 0x80) --keep;
            base.truncate(keep);
        }
        const QByteArray candidate = base + suffix + ext;
        if (!exists(candidate))
            return candidate;
    }
    return {};
}
