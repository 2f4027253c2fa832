#include "platform/fileop/FileCopyRoute.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/remote/GioEntrySource.h"
#include "platform/remote/RemoteUri.h"

namespace {

std::atomic<RemoteUriOfPath> g_route{nullptr};

}  // namespace

void SetFileCopyRoute(RemoteUriOfPath route) {
    g_route.store(route, std::memory_order_release);
}

QString FileUriOfPath(const QByteArray& path) {
    return QStringLiteral("file://") + QString::fromLatin1(path.toPercentEncoding("/"));
}

bool RoutesCopy(const QByteArray& source, const QByteArray& targetFolder) {
    const RemoteUriOfPath route = g_route.load(std::memory_order_acquire);
    return route && (route(source) || route(targetFolder));
}

std::optional<FileCopyUris> CopyUrisOf(const QByteArray& source, const QByteArray& targetFolder,
                                       const QByteArray& target) {
    const RemoteUriOfPath route = g_route.load(std::memory_order_acquire);
    if (!route)
        return std::nullopt;
    const std::optional<QString> sourceUri = route(source);
    const std::optional<QString> folderUri = route(targetFolder);
    if (!sourceUri && !folderUri)
        return std::nullopt;
    // The temporary's own URI, from the route as well: the bridge's mapping
    // decides how a name is encoded in its location's URI.
    const std::optional<QString> targetUri = folderUri ? route(target) : FileUriOfPath(target);
    if (!targetUri)
        return std::nullopt;
    return FileCopyUris{sourceUri ? *sourceUri : FileUriOfPath(source), *targetUri};
}

std::optional<QString> BridgeUriOfPath(const QByteArray& path) {
    static const QByteArray gvfsDir = GvfsFolder();
    return GioUriOfBridgePath(path, gvfsDir);
}

void InstallBridgeCopyRoute() {
    const char* copy = std::getenv("CORVANE_GVFS_COPY");
    SetFileCopyRoute(copy && std::strcmp(copy, "fuse") == 0 ? nullptr : &BridgeUriOfPath);
}
