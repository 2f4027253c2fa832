#include "platform/remote/GioCopy.h"

#include <gio/gio.h>

#include <cerrno>

namespace {

struct CopyContext {
    const std::function<void(std::uint64_t, std::uint64_t)>* progress;
    const std::function<bool()>* keepGoing;
    GCancellable* cancel;
    bool stopped = false;
};

void OnProgress(goffset done, goffset total, gpointer data) {
    auto* context = static_cast<CopyContext*>(data);
    if (*context->progress)
        (*context->progress)(std::uint64_t(done), std::uint64_t(total));
    if (*context->keepGoing && !(*context->keepGoing)()) {
        context->stopped = true;
        g_cancellable_cancel(context->cancel);
    }
}

}  // namespace

int ErrnoOfGioError(int domain, int code) {
    if (GQuark(domain) != G_IO_ERROR)
        return EIO;
    switch (code) {
        case G_IO_ERROR_NOT_FOUND:
            return ENOENT;
        case G_IO_ERROR_EXISTS:
            return EEXIST;
        case G_IO_ERROR_IS_DIRECTORY:
            return EISDIR;
        case G_IO_ERROR_NOT_DIRECTORY:
            return ENOTDIR;
        case G_IO_ERROR_NOT_EMPTY:
            return ENOTEMPTY;
        case G_IO_ERROR_FILENAME_TOO_LONG:
            return ENAMETOOLONG;
        case G_IO_ERROR_INVALID_FILENAME:
            return EINVAL;
        case G_IO_ERROR_TOO_MANY_LINKS:
            return ELOOP;
        case G_IO_ERROR_NO_SPACE:
            return ENOSPC;
        case G_IO_ERROR_PERMISSION_DENIED:
            return EACCES;
        case G_IO_ERROR_NOT_SUPPORTED:
            return ENOTSUP;
        case G_IO_ERROR_CANCELLED:
            return ECANCELED;
        case G_IO_ERROR_READ_ONLY:
            return EROFS;
        case G_IO_ERROR_TIMED_OUT:
            return ETIMEDOUT;
        case G_IO_ERROR_BUSY:
            return EBUSY;
        case G_IO_ERROR_HOST_NOT_FOUND:
            return EHOSTUNREACH;
        case G_IO_ERROR_CONNECTION_REFUSED:
            return ECONNREFUSED;
        case G_IO_ERROR_NOT_MOUNTED:
            return ENOTCONN;
        default:
            return EIO;
    }
}

GioCopyResult GioCopyFile(const QString& sourceUri, const QString& targetUri, bool overwrite,
                          const std::function<void(std::uint64_t, std::uint64_t)>& progress,
                          const std::function<bool()>& keepGoing) {
    GFile* source = g_file_new_for_uri(sourceUri.toUtf8().constData());
    GFile* target = g_file_new_for_uri(targetUri.toUtf8().constData());
    GCancellable* cancel = g_cancellable_new();
    CopyContext context{&progress, &keepGoing, cancel};
    int flags = G_FILE_COPY_NOFOLLOW_SYMLINKS | G_FILE_COPY_ALL_METADATA;
    if (overwrite)
        flags |= G_FILE_COPY_OVERWRITE;
    GError* error = nullptr;
    GioCopyResult result;
    result.ok = g_file_copy(source, target, GFileCopyFlags(flags), cancel, OnProgress, &context,
                            &error) != FALSE;
    if (!result.ok) {
        result.cancelled = context.stopped;
        result.error = error ? ErrnoOfGioError(int(error->domain), error->code) : EIO;
        result.message = error ? QString::fromUtf8(error->message) : QString();
    }
    if (error)
        g_error_free(error);
    g_object_unref(cancel);
    g_object_unref(target);
    g_object_unref(source);
    return result;
}
