#include "fileops/FileSystemDropTarget.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>

#include "fileops/TransferFormats.h"
#include "platform/archive/ArchiveExtractor.h"
#include "platform/archive/ArchiveFolder.h"
#include "platform/fileop/FileOpProgressReporter.h"
#include "platform/fileop/FileOperation.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/RemoveTree.h"
#include "platform/fs/UniqueFd.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellIdArray.h"
#include "platform/places/GioFolder.h"
#include "platform/remote/GioOperation.h"
#include "platform/ui/Prompter.h"
#include "shell/GeneralSettings.h"
#include "shell/PathHelpers.h"
#include "shell/ShellContext.h"

namespace {

// A link's name is tried this many times before giving up.
constexpr int kMaxLinkNames = 1000;
// Contents are written in blocks of this size.
constexpr qint64 kExtractBlock = 1 << 20;
// A failed extraction lists this many of its errors.
constexpr qsizetype kErrorsShown = 10;

QString FolderOfPath(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash <= 0)
        return QStringLiteral("/");
    return path.left(slash);
}

// The name a dropped path would have here; nothing for the root.
QByteArray NameOf(const QString& path) {
    const QByteArray name = LastComponent(NameToBytes(path));
    return name == "/" ? QByteArray() : name;
}

QByteArray Joined(const QByteArray& folder, const QByteArray& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// The n-th candidate name for a link: "name", "name (link)", "name (link 2)".
QByteArray LinkName(const QByteArray& name, int n) {
    if (n == 0)
        return name;
    QByteArray stem = name;
    QByteArray extension;
    const qsizetype dot = name.lastIndexOf('.');
    if (dot > 0) {
        stem = name.left(dot);
        extension = name.mid(dot);
    }
    const QByteArray tag = n == 1 ? QByteArray(" (link)") : " (link " + QByteArray::number(n) + ")";
    return stem + tag + extension;
}

FileOpRequest EngineRequest(FileOpRequest::Func func, const QStringList& paths,
                            const QString& folder) {
    FileOpRequest request;
    request.func = func;
    for (const QString& path : paths) request.sources.push_back(NameToBytes(path));
    request.targetFolder = NameToBytes(folder);
    request.allowUndo = true;
    request.noConfirmation = !General().askConfirmation;
    return request;
}

QString ExtractTitle() {
    return QStringLiteral("Copying");
}

bool AnythingDone(const FileOpResult& result) {
    return !result.done.empty() || !result.partial.empty();
}

// The time of a descriptor as the kernel takes it; unknown times stay.
struct timespec TimespecOf(const FileDescriptor& d, std::uint32_t flag, int which) {
    struct timespec ts {};
    const FileTime t = d.times[std::size_t(which)];
    if (!(d.flags & flag) || t == 0) {
        ts.tv_nsec = UTIME_OMIT;
        return ts;
    }
    const std::int64_t ms = FileTimeToUnixMilliseconds(t);
    ts.tv_sec = time_t(ms / 1000);
    ts.tv_nsec = long((t % 10'000'000) * 100);
    return ts;
}

// Writes one contents stream to a new file (created exclusively), with the
// times its descriptor gives.
// `expected`: the size the descriptor gives, 0 when it gives none.
bool WriteContents(QIODevice& in, const QByteArray& path, std::uint64_t expected,
                   const FileDescriptor& d) {
    UniqueFd fd(
        ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd)
        return false;
    bool ok = true;
    std::uint64_t written = 0;
    QByteArray buffer;
    while (ok) {
        buffer = in.read(kExtractBlock);
        if (buffer.isEmpty()) {
            // read() gives an empty array both at the end and on an error.
            ok = in.atEnd() || (expected != 0 && written == expected);
            break;
        }
        ok = WriteAll(fd.get(), buffer);
        written += std::uint64_t(buffer.size());
    }
    // A stream that ends short of the size its descriptor gives is no
    // whole copy.
    if (expected != 0 && written != expected)
        ok = false;
    const struct timespec times[2] = {TimespecOf(d, FD_ACCESSTIME, kTimeAccessed),
                                      TimespecOf(d, FD_WRITESTIME, kTimeModified)};
    if (ok && ::futimens(fd.get(), times) != 0)
        ok = false;
    if (fd.Close() != 0)
        ok = false;
    if (!ok)
        ::unlink(path.constData());
    return ok;
}

}  // namespace

QString MakeLinkIn(const QString& folder, const QString& target) {
    const QByteArray folderBytes = NameToBytes(folder);
    const QByteArray targetBytes = NameToBytes(target);
    const QByteArray name = NameOf(target);
    if (name.isEmpty()) {
        errno = EINVAL;
        return {};
    }
    for (int n = 0; n < kMaxLinkNames; ++n) {
        const QByteArray path = Joined(folderBytes, LinkName(name, n));
        if (::symlink(targetBytes.constData(), path.constData()) == 0)
            return NameFromBytes(path);
        if (errno != EEXIST)
            return {};
    }
    errno = EEXIST;
    return {};
}

FileSystemDropTarget::FileSystemDropTarget(QString folder) : m_folder(std::move(folder)) {}

std::uint32_t FileSystemDropTarget::EffectFor(const ShellDataObject& data, std::uint32_t keyState,
                                              std::uint32_t allowed) const {
    const QStringList paths = FilePathsOf(data);
    if (paths.isEmpty() && !GioUrisOf(data).isEmpty())
        return ShellDropEffect(keyState, allowed, false);
    if (paths.isEmpty()) {
        // Contents streams can only be copied here.
        if (!data.HasFormat(ClipFormats::kFileContents) || !data.GetFileGroupDescriptor())
            return DROPEFFECT_NONE;
        return allowed & DROPEFFECT_COPY ? std::uint32_t(DROPEFFECT_COPY) : DROPEFFECT_NONE;
    }
    const bool sameVolume = SameVolume(paths.front(), m_folder);
    const std::uint32_t effect = ShellDropEffect(keyState, allowed, sameVolume);
    // Moving items into the folder they are in does nothing.
    if (effect == DROPEFFECT_MOVE && FolderOfPath(paths.front()) == m_folder)
        return DROPEFFECT_NONE;
    return effect;
}

bool FileSystemDropTarget::DragEnter(const ShellDataObject& data, std::uint32_t keyState, QPoint,
                                     std::uint32_t& effect) {
    m_enteredPaths = FilePathsOf(data);
    m_enteredContents = m_enteredPaths.isEmpty() && data.HasFormat(ClipFormats::kFileContents);
    m_enteredRemote = m_enteredPaths.isEmpty() && !GioUrisOf(data).isEmpty();
    m_enteredAllowed = effect;
    effect = EffectFor(data, keyState, effect);
    return true;
}

bool FileSystemDropTarget::DragOver(std::uint32_t keyState, QPoint, std::uint32_t& effect) {
    if (m_enteredRemote) {
        effect = ShellDropEffect(keyState, effect, false);
        return true;
    }
    if (m_enteredPaths.isEmpty()) {
        effect = m_enteredContents && (effect & DROPEFFECT_COPY) ? std::uint32_t(DROPEFFECT_COPY)
                                                                 : DROPEFFECT_NONE;
        return true;
    }
    const bool sameVolume = SameVolume(m_enteredPaths.front(), m_folder);
    std::uint32_t result = ShellDropEffect(keyState, effect, sameVolume);
    if (result == DROPEFFECT_MOVE && FolderOfPath(m_enteredPaths.front()) == m_folder)
        result = DROPEFFECT_NONE;
    effect = result;
    return true;
}

void FileSystemDropTarget::DragLeave() {
    m_enteredPaths.clear();
    m_enteredContents = false;
    m_enteredRemote = false;
}

bool FileSystemDropTarget::Drop(const ShellDataObject& data, std::uint32_t keyState, QPoint,
                                std::uint32_t& effect) {
    const std::uint32_t chosen = EffectFor(data, keyState, effect);
    effect = DROPEFFECT_NONE;
    DragLeave();
    bool done = false;
    const QStringList paths = FilePathsOf(data);
    const QStringList remote = paths.isEmpty() ? GioUrisOf(data) : QStringList();
    if (!remote.isEmpty() && (chosen == DROPEFFECT_COPY || chosen == DROPEFFECT_MOVE)) {
        done = CopyOrMoveRemote(remote, chosen == DROPEFFECT_MOVE);
        if (done)
            effect = chosen;
        return done;
    }
    switch (chosen) {
        case DROPEFFECT_COPY:
            done = paths.isEmpty() ? Extract(data) : CopyOrMove(paths, false);
            break;
        case DROPEFFECT_MOVE:
            done = CopyOrMove(paths, true);
            break;
        case DROPEFFECT_LINK:
            done = Link(paths);
            break;
        default:
            break;
    }
    if (done)
        effect = chosen;
    return done;
}

bool FileSystemDropTarget::CopyOrMove(const QStringList& paths, bool move) {
    FileOpRequest request =
        EngineRequest(move ? FileOpRequest::Move : FileOpRequest::Copy, paths, m_folder);
    request.renameOnCollision = !move && FolderOfPath(paths.front()) == m_folder;
    return AnythingDone(SHFileOperation(request));
}

bool FileSystemDropTarget::CopyOrMoveRemote(const QStringList& uris, bool move) {
    GioRequest request;
    request.kind = move ? GioRequest::Kind::Move : GioRequest::Kind::Copy;
    request.sources = uris;
    request.target = QString::fromUtf8(FileUriOf(m_folder));
    request.noConfirmation = !General().askConfirmation;
    return RunGioOperation(request, nullptr).done > 0;
}

bool FileSystemDropTarget::Link(const QStringList& paths) {
    bool any = false;
    for (const QString& path : paths) {
        if (!MakeLinkIn(m_folder, path).isEmpty())
            any = true;
    }
    return any;
}

bool FileSystemDropTarget::Extract(const ShellDataObject& data) {
    const std::optional<std::vector<FileDescriptor>> descriptors = data.GetFileGroupDescriptor();
    if (!descriptors || descriptors->empty())
        return false;
    QByteArray pattern = NameToBytes(TempFolder());
    pattern = Joined(pattern, "CvExtract_XXXXXX");
    if (!::mkdtemp(pattern.data()))
        return false;
    const QByteArray temp = pattern;
    QStringList errors;
    bool cancelled = false;
    const std::optional<QStringList> fromArchive =
        ExtractFromArchive(data, temp, &errors, &cancelled);
    const QStringList extracted =
        fromArchive ? *fromArchive : ExtractStreams(data, *descriptors, temp, &errors);
    if (!errors.isEmpty() && !cancelled)
        ReportExtractErrors(errors);
    bool done = false;
    if (!extracted.isEmpty() && !cancelled)
        done = CopyOrMove(extracted, false);
    // The private folder holds only what was written above; read-only
    // folders of an archive are made writable to be emptied.
    RemoveTree(temp);
    return done;
}

std::optional<QStringList> FileSystemDropTarget::ExtractFromArchive(const ShellDataObject& data,
                                                                    const QByteArray& temp,
                                                                    QStringList* errors,
                                                                    bool* cancelled) {
    const std::optional<ShellIdArray> array =
        DecodeShellIdArray(data.GetData(ClipFormats::kShellIdList));
    ShellFolder* desktop = ContextDesktop();
    if (!array || array->items.empty() || !desktop)
        return std::nullopt;
    std::unique_ptr<ShellFolder> bound = desktop->BindToObject(array->parent);
    auto* folder = dynamic_cast<ArchiveFolder*>(bound.get());
    if (!folder)
        return std::nullopt;
    ArchiveExtractor extractor(folder->SharedIndex());
    for (const IdList& item : array->items) {
        const int node = folder->Resolve(item);
        if (node < 0)
            return std::nullopt;  // not what the archive holds now: the streams say why
        extractor.Add(node);
    }

    // One pass over the archive, with the engine's progress dialog, so a
    // large archive neither freezes the window nor runs on past Cancel.
    bool stop = false;
    FileOpProgressReporter progress(ExtractTitle(), nullptr, false, [&stop] { stop = true; });
    progress.itemsTotal = extractor.TotalItems();
    progress.bytesTotal = extractor.TotalBytes();
    progress.Start();
    const std::vector<QByteArray> tops =
        extractor.Run(temp, [&](const QByteArray& entry, std::uint64_t bytes) {
            progress.bytesDone = bytes;
            if (!entry.isEmpty())
                progress.SetCurrent(entry);
            progress.Tick(false);
            return !stop;
        });
    progress.Close();
    *cancelled = extractor.Stopped();
    *errors = extractor.Errors();
    QStringList paths;
    for (const QByteArray& top : tops) paths << NameFromBytes(top);
    return paths;
}

QStringList FileSystemDropTarget::ExtractStreams(const ShellDataObject& data,
                                                 const std::vector<FileDescriptor>& descriptors,
                                                 const QByteArray& temp, QStringList* errors) {
    QStringList extracted;
    for (int i = 0; i < int(descriptors.size()); ++i) {
        const FileDescriptor& d = descriptors[std::size_t(i)];
        const QByteArray name = NameOf(d.name);
        if (name.isEmpty() || name == "." || name == "..")
            continue;
        const QString shown = DisplayFromName(NameFromBytes(name));
        if (d.directory) {
            // A folder described without what it holds can't be copied
            // whole; an empty folder in its place would be a false success.
            *errors << QStringLiteral("\"%1\": %2").arg(shown, kFolderWithoutContents);
            continue;
        }
        const QByteArray path = Joined(temp, name);
        std::unique_ptr<QIODevice> in = data.GetFileContents(i);
        // Archive streams come closed: opening reaches the entry.
        if (!in || (!in->isOpen() && !in->open(QIODevice::ReadOnly))) {
            *errors << QStringLiteral("\"%1\": %2")
                           .arg(shown, in ? in->errorString() : kNoContentsGiven);
            continue;
        }
        if (WriteContents(*in, path, (d.flags & FD_FILESIZE) ? d.size : 0, d))
            extracted << NameFromBytes(path);
        else
            *errors << QStringLiteral("\"%1\": %2").arg(shown, in->errorString());
    }
    return extracted;
}

void FileSystemDropTarget::ReportExtractErrors(const QStringList& errors) {
    QStringList shown = errors.mid(0, kErrorsShown);
    if (errors.size() > kErrorsShown)
        shown << QStringLiteral("and %1 more").arg(errors.size() - kErrorsShown);
    PromptRequest request;
    request.title = ExtractTitle();
    request.icon = PromptIcon::Warning;
    request.text = kExtractFailed + QStringLiteral("\n\n") + shown.join(QLatin1Char('\n'));
    Prompts().MessageBox(request);
}
