#include "platform/fileop/GioFileOperation.h"

#include <gio/gio.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QSet>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/fileop/FileOpError.h"
#include "platform/fileop/FileOpPaths.h"
#include "platform/fileop/FileOpProgressDialog.h"
#include "platform/fileop/FileOpProgressReporter.h"
#include "platform/fileop/FileOpQuestions.h"
#include "platform/fileop/FileOperationPlan.h"
#include "platform/namespace/ShellTypes.h"
#include "platform/remote/GioCopy.h"
#include "platform/remote/GioEntrySource.h"
#include "platform/thread/WorkerThread.h"
#include "platform/ui/EscapePoll.h"
#include "platform/ui/Prompter.h"

namespace {

constexpr int kDialogDelayMs = 500;
constexpr std::chrono::milliseconds kPollInterval{20};
const char* const kTempPrefix = ".cvpart-";

QString Tr(const char* text) {
    return QCoreApplication::translate("GioOperation", text);
}

struct Unref {
    void operator()(gpointer object) const {
        if (object)
            g_object_unref(object);
    }
};
using FilePtr = std::unique_ptr<GFile, Unref>;
using InfoPtr = std::unique_ptr<GFileInfo, Unref>;

struct ErrorPtr {
    GError* error = nullptr;
    ~ErrorPtr() {
        if (error)
            g_error_free(error);
    }
    GError** operator&() { return &error; }
};

FilePtr FileOf(const QString& uri) {
    return FilePtr(g_file_new_for_uri(uri.toUtf8().constData()));
}

FilePtr ChildOf(GFile* folder, const QByteArray& name) {
    return FilePtr(g_file_get_child(folder, name.constData()));
}

QString UriOf(GFile* file) {
    char* uri = g_file_get_uri(file);
    QString out = QString::fromUtf8(uri);
    g_free(uri);
    return out;
}

// The location as the user reads it ("sftp://me@host/home/me/a b"), as
// bytes for the engine's texts.
QByteArray ShownOf(GFile* file) {
    char* name = g_file_get_parse_name(file);
    QByteArray out(name);
    g_free(name);
    return out;
}

QByteArray NameOf(GFile* file) {
    char* name = g_file_get_basename(file);
    QByteArray out(name ? name : "");
    g_free(name);
    return out;
}

// What the worker and the waiting main thread share, under `mutex`.
struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<bool> cancelled{false};
    GCancellable* cancel = g_cancellable_new();
    FileOpProgress progress;
    // A question the worker waits on; run by the main thread with the
    // window the questions belong to.
    std::function<void(QWidget*)> question;
    bool answered = false;

    ~Shared() { g_object_unref(cancel); }

    void Cancel() {
        cancelled = true;
        g_cancellable_cancel(cancel);
    }
    std::function<void(QWidget*)> TakeQuestion() {
        std::lock_guard lock(mutex);
        std::function<void(QWidget*)> taken = std::move(question);
        question = nullptr;
        return taken;
    }
    void Answered() {
        std::lock_guard lock(mutex);
        answered = true;
        changed.notify_all();
    }
    FileOpProgress Snapshot() {
        std::lock_guard lock(mutex);
        return progress;
    }
};

// The worker's prompter: each question is handed to the main thread, which
// asks it through the installed prompter while the worker waits.
class BridgePrompter : public Prompter {
public:
    explicit BridgePrompter(Shared& shared) : m_shared(shared) {}

    PromptAnswer MessageBox(const PromptRequest& request) override {
        return Ask<PromptAnswer>([request](QWidget* parent) {
            PromptRequest asked = request;
            asked.parent = parent;
            return Prompts().MessageBox(asked);
        });
    }
    int Choose(const ChoiceRequest& request) override {
        return Ask<int>([request](QWidget* parent) {
            ChoiceRequest asked = request;
            asked.parent = parent;
            return Prompts().Choose(asked);
        });
    }
    std::optional<QString> InputBox(const InputRequest& request) override {
        return Ask<std::optional<QString>>([request](QWidget* parent) {
            InputRequest asked = request;
            asked.parent = parent;
            return Prompts().InputBox(asked);
        });
    }
    std::optional<QString> BrowseForFolder(const QString&, const QString&, QWidget*) override {
        return std::nullopt;
    }
    void Beep(BeepKind) override {}

private:
    // The main thread always answers a question it took: it sets the
    // operation's cancel flag itself, never while one is shown.
    template <typename Answer>
    Answer Ask(std::function<Answer(QWidget*)> ask) {
        Answer answer{};
        std::unique_lock lock(m_shared.mutex);
        m_shared.answered = false;
        m_shared.question = [&answer, ask](QWidget* parent) { answer = ask(parent); };
        m_shared.changed.wait(lock, [this] { return m_shared.answered; });
        return answer;
    }

    Shared& m_shared;
};

// One entry of the items to copy, move or delete, as planned.
struct Node {
    QByteArray name;
    std::uint32_t mode = 0;
    std::uint64_t size = 0;
    FileTime modified = 0;
    std::vector<Node> children;
    int readError = 0;
    std::uint64_t bytes = 0;  // of the subtree
    std::uint64_t items = 1;

    bool IsDir() const { return S_ISDIR(mode); }
};

struct stat StatOf(std::uint32_t mode, std::uint64_t size, FileTime modified) {
    struct stat st {};
    st.st_mode = mode;
    st.st_size = off_t(size);
    const std::int64_t ms = modified ? FileTimeToUnixMilliseconds(modified) : 0;
    st.st_mtim.tv_sec = ms / 1000;
    return st;
}

std::optional<Node> NodeOfInfo(GFileInfo* info) {
    const std::optional<FileSystemItemData> data = ItemDataOfInfo(info);
    if (!data)
        return std::nullopt;
    Node node;
    node.name = data->name;
    node.mode = data->mode;
    node.size = data->size;
    node.modified = data->times[kTimeModified];
    node.bytes = S_ISREG(node.mode) ? node.size : 0;
    return node;
}

class GioWork {
public:
    GioWork(Shared& shared, const GioRequest& request)
        : m_shared(shared),
          m_request(request),
          m_questions(TitleOf(request.kind), request.noConfirmation, m_result.errors,
                      [] { return nullptr; }) {}

    GioResult Run() {
        switch (m_request.kind) {
            case GioRequest::Kind::Copy:
            case GioRequest::Kind::Move:
                Transfer(m_request.kind == GioRequest::Kind::Move);
                break;
            case GioRequest::Kind::Delete:
                Delete();
                break;
            case GioRequest::Kind::MakeFolder:
                MakeFolder();
                break;
            case GioRequest::Kind::Rename:
                Rename();
                break;
        }
        m_result.aborted = m_result.aborted || m_shared.cancelled;
        return m_result;
    }

private:
    enum class Outcome { Done, Skipped, Failed, Cancelled };

    static QString TitleOf(GioRequest::Kind kind) {
        switch (kind) {
            case GioRequest::Kind::Copy:
                return Tr("Copying");
            case GioRequest::Kind::Move:
                return Tr("Moving");
            case GioRequest::Kind::Delete:
                return Tr("Deleting");
            case GioRequest::Kind::MakeFolder:
                return Tr("New folder");
            case GioRequest::Kind::Rename:
                return Tr("Renaming");
        }
        return {};
    }

    bool Cancelled() const { return m_shared.cancelled; }

    void Report(const QByteArray& name) {
        std::lock_guard lock(m_shared.mutex);
        m_shared.progress.title = TitleOf(m_request.kind);
        m_shared.progress.currentItem = fileop::Shown(name);
        m_shared.progress.bytesDone = m_bytesDone;
        m_shared.progress.bytesTotal = m_bytesTotal;
        m_shared.progress.itemsDone = m_itemsDone;
        m_shared.progress.itemsTotal = m_itemsTotal;
    }

    // Asks about a failed step: Retry, or the outcome it ends in. A failure
    // the user's Cancel caused is no question.
    std::optional<Outcome> AskFailure(FileOpStep step, GFile* file, const GError* error) {
        if (Cancelled())
            return Outcome::Cancelled;
        const int code = error ? ErrnoOfGioError(int(error->domain), error->code) : EIO;
        FileOpError failure(step, ShownOf(file), code);
        if (error)
            failure.WithDetail(QString::fromUtf8(error->message));
        failure.WhileMoving(m_request.kind == GioRequest::Kind::Move);
        switch (m_questions.AskError(failure)) {
            case FileOpQuestions::ErrorAnswer::Retry:
                return std::nullopt;
            case FileOpQuestions::ErrorAnswer::Skip:
                return Outcome::Failed;
            case FileOpQuestions::ErrorAnswer::Cancel:
                break;
        }
        m_shared.Cancel();
        return Outcome::Cancelled;
    }

    void Count(Outcome outcome) {
        switch (outcome) {
            case Outcome::Done:
                ++m_result.done;
                break;
            case Outcome::Skipped:
                ++m_result.skipped;
                break;
            case Outcome::Failed:
                ++m_result.failed;
                break;
            case Outcome::Cancelled:
                m_result.aborted = true;
                break;
        }
    }

    // -- The plan ---------------------------------------------------------------

    std::optional<InfoPtr> QueryInfo(GFile* file, GError** error) {
        GFileInfo* info = g_file_query_info(
            file, kGioEntryAttributes, G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS, m_shared.cancel, error);
        if (!info)
            return std::nullopt;
        return InfoPtr(info);
    }

    void Walk(GFile* folder, Node& node) {
        ErrorPtr error;
        GFileEnumerator* entries =
            g_file_enumerate_children(folder, kGioEntryAttributes,
                                      G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS, m_shared.cancel, &error);
        if (!entries) {
            node.readError =
                error.error ? ErrnoOfGioError(int(error.error->domain), error.error->code) : EIO;
            return;
        }
        for (;;) {
            if (Cancelled())
                break;
            ErrorPtr next;
            GFileInfo* info = g_file_enumerator_next_file(entries, m_shared.cancel, &next);
            if (!info) {
                if (next.error)
                    node.readError = ErrnoOfGioError(int(next.error->domain), next.error->code);
                break;
            }
            std::optional<Node> child = NodeOfInfo(info);
            g_object_unref(info);
            if (!child)
                continue;
            if (child->IsDir()) {
                FilePtr file = ChildOf(folder, child->name);
                Walk(file.get(), *child);
            }
            node.bytes += child->bytes;
            node.items += child->items;
            node.children.push_back(std::move(*child));
        }
        g_file_enumerator_close(entries, nullptr, nullptr);
        g_object_unref(entries);
    }

    // The source as planned; nullopt when it is gone (asked, or cancelled).
    std::optional<Node> Examine(GFile* source, Outcome& outcome) {
        for (;;) {
            ErrorPtr error;
            if (std::optional<InfoPtr> info = QueryInfo(source, &error)) {
                std::optional<Node> node = NodeOfInfo(info->get());
                if (node && node->IsDir())
                    Walk(source, *node);
                if (node)
                    return node;
            }
            if (std::optional<Outcome> ended =
                    AskFailure(FileOpStep::FindSource, source, error.error)) {
                outcome = *ended;
                return std::nullopt;
            }
        }
    }

    // -- Copy and move ----------------------------------------------------------

    bool Exists(GFile* folder, const QByteArray& name) {
        FilePtr file = ChildOf(folder, name);
        return g_file_query_exists(file.get(), m_shared.cancel) != FALSE;
    }

    std::optional<Node> Existing(GFile* target) {
        std::optional<InfoPtr> info = QueryInfo(target, nullptr);
        return info ? NodeOfInfo(info->get()) : std::nullopt;
    }

    void Transfer(bool move) {
        FilePtr folder = FileOf(m_request.target);
        std::vector<std::pair<FilePtr, std::optional<Node>>> sources;
        for (const QString& uri : m_request.sources) {
            FilePtr source = FileOf(uri);
            Outcome outcome = Outcome::Done;
            std::optional<Node> node = Examine(source.get(), outcome);
            if (!node) {
                Count(outcome);
                if (outcome == Outcome::Cancelled)
                    return;
                continue;
            }
            m_bytesTotal += node->bytes;
            m_itemsTotal += node->items;
            sources.emplace_back(std::move(source), std::move(node));
        }
        for (auto& [source, node] : sources) {
            if (Cancelled()) {
                m_result.aborted = true;
                return;
            }
            const Outcome outcome = TransferTop(source.get(), *node, folder.get(), move);
            Count(outcome);
            if (outcome == Outcome::Cancelled)
                return;
        }
    }

    Outcome TransferTop(GFile* source, const Node& node, GFile* folder, bool move) {
        FilePtr target = ChildOf(folder, node.name);
        if (g_file_equal(source, target.get())) {
            if (move) {
                m_questions.Warn(
                    Tr("\"%1\" is already in that folder.").arg(fileop::Shown(node.name)));
                return Outcome::Skipped;
            }
            // A copy into its own folder keeps both, as the engine does.
            const QByteArray free = FreeCopyName(
                node.name, node.IsDir(), [&](const QByteArray& n) { return Exists(folder, n); });
            return CopyNode(source, node, folder, free, false);
        }
        // Within one location the server moves the item itself.
        if (move && !Existing(target.get())) {
            ErrorPtr error;
            if (g_file_move(source, target.get(),
                            GFileCopyFlags(G_FILE_COPY_NOFOLLOW_SYMLINKS |
                                           G_FILE_COPY_NO_FALLBACK_FOR_MOVE),
                            m_shared.cancel, nullptr, nullptr, &error)) {
                m_bytesDone += node.bytes;
                m_itemsDone += node.items;
                m_placed.insert(UriOf(target.get()));
                return Outcome::Done;
            }
            if (!g_error_matches(error.error, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED)) {
                if (Cancelled())
                    return Outcome::Cancelled;
                // Anything but "not here" is a real refusal: asked, and
                // tried again the long way on Retry.
                if (std::optional<Outcome> ended =
                        AskFailure(FileOpStep::Move, source, error.error))
                    return *ended;
            }
        }
        return CopyNode(source, node, folder, node.name, move);
    }

    // Copies (and for a move, removes) `node` at `source` into `folder` as
    // `name`, asking about an existing target first.
    Outcome CopyNode(GFile* source, const Node& node, GFile* folder, const QByteArray& name,
                     bool move) {
        if (Cancelled())
            return Outcome::Cancelled;
        Report(node.name);
        QByteArray targetName = name;
        FilePtr target = ChildOf(folder, targetName);
        bool overwrite = false;
        if (std::optional<Node> existing = Existing(target.get())) {
            FileOpNode asked;
            asked.name = node.name;
            asked.st = StatOf(node.mode, node.size, node.modified);
            const struct stat there = StatOf(existing->mode, existing->size, existing->modified);
            const bool placedHere = m_placed.contains(UriOf(target.get()));
            switch (m_questions.AskConflict(asked, there, targetName, placedHere)) {
                case FileOpQuestions::ConflictAnswer::Overwrite:
                    overwrite = true;
                    break;
                case FileOpQuestions::ConflictAnswer::Skip:
                    m_bytesDone += node.bytes;
                    m_itemsDone += node.items;
                    return Outcome::Skipped;
                case FileOpQuestions::ConflictAnswer::KeepBoth:
                    targetName = FreeCopyName(
                        name, node.IsDir(), [&](const QByteArray& n) { return Exists(folder, n); });
                    target = ChildOf(folder, targetName);
                    break;
                case FileOpQuestions::ConflictAnswer::Cancel:
                    m_shared.Cancel();
                    return Outcome::Cancelled;
            }
            // Folders merge into an existing folder; any other item that
            // meets a folder (or a folder meeting a file) was not offered
            // Overwrite.
            if (overwrite && node.IsDir() != existing->IsDir())
                return Outcome::Skipped;
        }
        const Outcome outcome = node.IsDir()
                                    ? CopyFolder(source, node, target.get(), overwrite, move)
                                    : CopyFile(source, node, folder, target.get(), overwrite);
        if (outcome == Outcome::Done)
            m_placed.insert(UriOf(target.get()));
        if (outcome == Outcome::Done && move && !node.IsDir())
            return RemoveSource(source);
        return outcome;
    }

    Outcome CopyFolder(GFile* source, const Node& node, GFile* target, bool merge, bool move) {
        if (!merge) {
            for (;;) {
                ErrorPtr error;
                if (g_file_make_directory(target, m_shared.cancel, &error))
                    break;
                if (std::optional<Outcome> ended =
                        AskFailure(FileOpStep::MakeFolder, target, error.error))
                    return *ended;
            }
        }
        ++m_itemsDone;
        bool whole = node.readError == 0;
        if (!whole) {
            FileOpError failure(FileOpStep::ReadFolder, ShownOf(source), node.readError);
            if (m_questions.AskError(failure, false) == FileOpQuestions::ErrorAnswer::Cancel) {
                m_shared.Cancel();
                return Outcome::Cancelled;
            }
        }
        for (const Node& child : node.children) {
            FilePtr from = ChildOf(source, child.name);
            const Outcome outcome = CopyNode(from.get(), child, target, child.name, move);
            if (outcome == Outcome::Cancelled)
                return outcome;
            whole = whole && outcome == Outcome::Done;
        }
        if (!whole)
            return Outcome::Failed;
        // The folder's source goes only when everything it held went.
        return move ? RemoveSource(source) : Outcome::Done;
    }

    QByteArray TempName(const QByteArray& name) {
        static std::atomic<unsigned> counter{0};
        QByteArray temp = kTempPrefix +
                          QByteArray::number(qint64(QCoreApplication::applicationPid())) + '-' +
                          QByteArray::number(++counter) + '-';
        // The name stays within the 255 bytes a name may have.
        return temp + name.left(200);
    }

    Outcome CopyFile(GFile* source, const Node& node, GFile* folder, GFile* target,
                     bool overwrite) {
        const std::uint64_t before = m_bytesDone;
        for (;;) {
            if (Cancelled())
                return Outcome::Cancelled;
            FilePtr temp = ChildOf(folder, TempName(node.name));
            const GioCopyResult copied = GioCopyFile(
                UriOf(source), UriOf(temp.get()), false,
                [this, before, &node](std::uint64_t done, std::uint64_t) {
                    m_bytesDone = before + done;
                    Report(node.name);
                },
                [this] { return !Cancelled(); });
            ErrorPtr error;
            if (copied.ok && g_file_move(temp.get(), target,
                                         GFileCopyFlags(G_FILE_COPY_NOFOLLOW_SYMLINKS |
                                                        G_FILE_COPY_NO_FALLBACK_FOR_MOVE |
                                                        (overwrite ? G_FILE_COPY_OVERWRITE : 0)),
                                         nullptr, nullptr, nullptr, &error)) {
                m_bytesDone = before + (S_ISREG(node.mode) ? node.size : 0);
                ++m_itemsDone;
                return Outcome::Done;
            }
            // Never a part under any name: the temporary goes, whatever
            // went wrong.
            g_file_delete(temp.get(), nullptr, nullptr);
            m_bytesDone = before;
            if (copied.cancelled || Cancelled())
                return Outcome::Cancelled;
            if (!copied.ok) {
                FileOpError asked(FileOpStep::CopyData, ShownOf(source), copied.error);
                asked.WithDetail(copied.message);
                switch (m_questions.AskError(asked)) {
                    case FileOpQuestions::ErrorAnswer::Retry:
                        continue;
                    case FileOpQuestions::ErrorAnswer::Skip:
                        return Outcome::Failed;
                    case FileOpQuestions::ErrorAnswer::Cancel:
                        m_shared.Cancel();
                        return Outcome::Cancelled;
                }
            }
            if (std::optional<Outcome> ended =
                    AskFailure(FileOpStep::PlaceCopy, target, error.error))
                return *ended;
        }
    }

    Outcome RemoveSource(GFile* source) {
        for (;;) {
            ErrorPtr error;
            if (g_file_delete(source, nullptr, &error))
                return Outcome::Done;
            if (std::optional<Outcome> ended =
                    AskFailure(FileOpStep::RemoveMovedSource, source, error.error))
                return *ended;
        }
    }

    // -- Delete -----------------------------------------------------------------

    void Delete() {
        std::vector<FilePtr> files;
        std::vector<QByteArray> shown;
        for (const QString& uri : m_request.sources) {
            files.push_back(FileOf(uri));
            shown.push_back(ShownOf(files.back().get()));
        }
        if (m_request.permanent && !m_questions.ConfirmDelete(shown, false)) {
            m_result.aborted = true;
            return;
        }
        m_itemsTotal = files.size();
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (Cancelled()) {
                m_result.aborted = true;
                return;
            }
            if (!m_request.permanent) {
                // A folder on another machine has no trash: each item is
                // asked as on a volume without one.
                switch (m_questions.AskNoTrash(shown[i], Tr("Folders on other machines have no "
                                                            "trash."))) {
                    case FileOpQuestions::NoTrashAnswer::DeleteForGood:
                        break;
                    case FileOpQuestions::NoTrashAnswer::Skip:
                        Count(Outcome::Skipped);
                        continue;
                    case FileOpQuestions::NoTrashAnswer::Cancel:
                        m_result.aborted = true;
                        return;
                }
            }
            const Outcome outcome = DeleteTree(files[i].get());
            ++m_itemsDone;
            Count(outcome);
            if (outcome == Outcome::Cancelled)
                return;
        }
    }

    Outcome DeleteTree(GFile* file) {
        Report(NameOf(file));
        const GFileType type =
            g_file_query_file_type(file, G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS, m_shared.cancel);
        bool whole = true;
        if (type == G_FILE_TYPE_DIRECTORY) {
            // The names first, then the removals: a listing is not changed
            // under its own enumerator.
            Node node;
            node.mode = S_IFDIR;
            Walk(file, node);
            if (Cancelled())
                return Outcome::Cancelled;
            if (node.readError) {
                FileOpError failure(FileOpStep::ReadFolder, ShownOf(file), node.readError);
                if (m_questions.AskError(failure, false) == FileOpQuestions::ErrorAnswer::Cancel) {
                    m_shared.Cancel();
                    return Outcome::Cancelled;
                }
                whole = false;
            }
            for (const Node& child : node.children) {
                FilePtr below = ChildOf(file, child.name);
                const Outcome outcome = DeleteTree(below.get());
                if (outcome == Outcome::Cancelled)
                    return outcome;
                whole = whole && outcome == Outcome::Done;
            }
            if (!whole)
                return Outcome::Failed;  // the folder stays with what it still holds
        }
        for (;;) {
            ErrorPtr error;
            if (g_file_delete(file, m_shared.cancel, &error))
                return Outcome::Done;
            if (std::optional<Outcome> ended = AskFailure(FileOpStep::Delete, file, error.error))
                return *ended;
        }
    }

    // -- New folder and rename --------------------------------------------------

    void MakeFolder() {
        FilePtr folder = FileOf(m_request.target);
        FilePtr made = ChildOf(folder.get(), m_request.name);
        ErrorPtr error;
        if (g_file_make_directory(made.get(), m_shared.cancel, &error)) {
            m_result.made = UriOf(made.get());
            Count(Outcome::Done);
            return;
        }
        Fail(FileOpStep::MakeFolder, made.get(), error.error);
    }

    void Rename() {
        if (m_request.sources.size() != 1 || m_request.name.isEmpty() ||
            m_request.name.contains('/')) {
            Count(Outcome::Failed);
            return;
        }
        FilePtr source = FileOf(m_request.sources.front());
        ErrorPtr error;
        GFile* renamed = nullptr;
        // GIO names the new item from display text; a name that is not
        // UTF-8 keeps its bytes through a move within the folder, which
        // never replaces an existing entry.
        if (QString::fromUtf8(m_request.name).toUtf8() == m_request.name) {
            renamed = g_file_set_display_name(source.get(), m_request.name.constData(),
                                              m_shared.cancel, &error);
        } else {
            FilePtr parent(g_file_get_parent(source.get()));
            FilePtr target = ChildOf(parent.get(), m_request.name);
            if (g_file_move(source.get(), target.get(),
                            GFileCopyFlags(G_FILE_COPY_NOFOLLOW_SYMLINKS |
                                           G_FILE_COPY_NO_FALLBACK_FOR_MOVE),
                            m_shared.cancel, nullptr, nullptr, &error))
                renamed = target.release();
        }
        if (renamed) {
            m_result.made = UriOf(renamed);
            g_object_unref(renamed);
            Count(Outcome::Done);
            return;
        }
        Fail(FileOpStep::Move, source.get(), error.error);
    }

    void Fail(FileOpStep step, GFile* file, const GError* error) {
        if (Cancelled()) {
            m_result.aborted = true;
            return;
        }
        FileOpError failure(step, ShownOf(file),
                            error ? ErrnoOfGioError(int(error->domain), error->code) : EIO);
        if (error)
            failure.WithDetail(QString::fromUtf8(error->message));
        m_questions.Warn(failure.Text());
        Count(Outcome::Failed);
    }

    Shared& m_shared;
    const GioRequest& m_request;
    GioResult m_result;
    FileOpQuestions m_questions;
    QSet<QString> m_placed;  // targets this operation wrote
    std::uint64_t m_bytesDone = 0, m_bytesTotal = 0, m_itemsDone = 0, m_itemsTotal = 0;
};

bool ConfirmCancel(const QString& title, QWidget* parent) {
    PromptRequest request;
    request.text = QCoreApplication::translate("FileOperation", kCancelOperationQuestion);
    request.title = title;
    request.buttons = PromptButtons::YesNo;
    request.icon = PromptIcon::Question;
    request.parent = parent;
    return Prompts().MessageBox(request) == PromptAnswer::Yes;
}

}  // namespace

GioResult RunGioFileOperation(const GioRequest& request, QWidget* parent) {
    auto shared = std::make_shared<Shared>();
    GioResult result;
    WorkerThread worker;
    // The job runs while this function waits for it: what it touches of
    // this frame outlives it.
    worker.Start([shared, &request, &result](const JobControl&) {
        BridgePrompter bridge(*shared);
        ThreadPrompterScope questions(&bridge);
        result = GioWork(*shared, request).Run();
    });

    QPointer<QWidget> owner = parent ? parent : QApplication::activeWindow();
    const bool widgets = qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
    std::unique_ptr<FileOpProgressDialog> dialog;
    bool closeAsked = false;
    QElapsedTimer clock;
    clock.start();
    while (!worker.WaitFor(kPollInterval)) {
        if (std::function<void(QWidget*)> question = shared->TakeQuestion()) {
            question(dialog ? dialog.get() : owner.data());
            shared->Answered();
            continue;
        }
        if (!dialog && widgets && clock.elapsed() >= kDialogDelayMs) {
            dialog = std::make_unique<FileOpProgressDialog>(owner.data());
            QObject::connect(dialog.get(), &FileOpProgressDialog::cancelRequested,
                             [shared] { shared->Cancel(); });
            QObject::connect(dialog.get(), &FileOpProgressDialog::closeRequested,
                             [&closeAsked] { closeAsked = true; });
            dialog->show();
        }
        if (dialog)
            dialog->Update(shared->Snapshot());
        bool escape = false;
        {
            EscapePollScope gate(dialog.get());
            escape = PollEscape();
        }
        if ((escape || closeAsked) && !shared->cancelled) {
            closeAsked = false;
            if (ConfirmCancel(shared->Snapshot().title, dialog ? dialog.get() : owner.data())) {
                shared->Cancel();
                if (dialog)
                    dialog->RequestCancel();
            }
        }
    }
    worker.Wait();
    return result;
}

void InstallGioFileOperations() {
    InstallGioOperationRunner(&RunGioFileOperation);
}
