#include "platform/remote/RemoteUri.h"

#include <unistd.h>

#include <QUrl>
#include <array>
#include <cstdlib>

#include "platform/namespace/NameCodec.h"

namespace {

constexpr std::array kRemoteSchemes = {"sftp", "ssh",  "smb", "ftp", "ftps",
                                       "dav",  "davs", "afp", "nfs"};

bool IsRemoteScheme(const QString& scheme) {
    for (const char* s : kRemoteSchemes) {
        if (scheme.compare(QLatin1String(s), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The port a scheme uses when none is given, so that "sftp://h/" and
// "sftp://h:22/" name one server.
int DefaultPort(const QString& scheme) {
    if (scheme == QLatin1String("sftp") || scheme == QLatin1String("ssh"))
        return 22;
    if (scheme == QLatin1String("ftp"))
        return 21;
    if (scheme == QLatin1String("ftps"))
        return 990;
    if (scheme == QLatin1String("dav"))
        return 80;
    if (scheme == QLatin1String("davs"))
        return 443;
    if (scheme == QLatin1String("smb"))
        return 445;
    return 0;
}

bool SameServer(const RemoteAddress& a, const RemoteAddress& b) {
    const int pa = a.port ? a.port : DefaultPort(a.scheme);
    const int pb = b.port ? b.port : DefaultPort(b.scheme);
    return a.scheme == b.scheme && a.user == b.user &&
           a.host.compare(b.host, Qt::CaseInsensitive) == 0 && pa == pb;
}

// True when `path` is `root` or lies below it; `rest` gets what follows
// (starting with "/", or empty).
bool PathUnder(const QByteArray& path, const QByteArray& root, QByteArray* rest) {
    QByteArray base = root;
    while (base.endsWith('/')) base.chop(1);
    if (!path.startsWith(base))
        return false;
    if (path.size() != base.size() && path.at(base.size()) != '/')
        return false;
    if (rest)
        *rest = path.mid(base.size());
    return true;
}

QByteArray JoinPath(const QByteArray& root, const QByteArray& rest) {
    QByteArray out = root;
    while (out.endsWith('/')) out.chop(1);
    QByteArray tail = rest;
    while (tail.startsWith('/')) tail.remove(0, 1);
    out += '/';
    out += tail;
    return out;
}

}  // namespace

QString RemoteAddress::ToUri() const {
    QString uri = scheme + QStringLiteral("://");
    if (!user.isEmpty())
        uri += QString::fromLatin1(QUrl::toPercentEncoding(user, ";")) + QLatin1Char('@');
    uri += host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    if (port)
        uri += QLatin1Char(':') + QString::number(port);
    const QByteArray p = path.isEmpty() ? QByteArray("/") : path;
    uri += QString::fromLatin1(p.toPercentEncoding("/"));
    return uri;
}

bool IsRemoteUri(const QString& text) {
    const qsizetype sep = text.indexOf(QStringLiteral("://"));
    return sep > 0 && IsRemoteScheme(text.left(sep));
}

std::optional<RemoteAddress> ParseRemoteUri(const QString& text) {
    const QString trimmed = text.trimmed();
    if (!IsRemoteUri(trimmed))
        return std::nullopt;
    for (const QChar c : trimmed) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return std::nullopt;
    }
    const QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    RemoteAddress address;
    address.scheme = url.scheme().toLower();
    address.user = url.userName(QUrl::FullyDecoded);
    address.host = url.host(QUrl::FullyDecoded);
    const int port = url.port(0);
    if (port < 0 || port > 65535)
        return std::nullopt;
    address.port = port;
    // Paths are bytes: a name that is not UTF-8 survives the trip through
    // its percent escapes.
    address.path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (!address.path.startsWith('/'))
        address.path.prepend('/');
    if (address.path.contains('\0'))
        return std::nullopt;
    return address;
}

std::optional<QString> UriOfFuseFolder(const QByteArray& folderName) {
    const qsizetype colon = folderName.indexOf(':');
    if (colon <= 0)
        return std::nullopt;
    const QByteArray type = folderName.left(colon);
    QByteArray host, port, user, share, prefix, domain;
    bool ssl = false;
    for (const QByteArray& pair : folderName.mid(colon + 1).split(',')) {
        const qsizetype eq = pair.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = pair.left(eq);
        const QByteArray value = QByteArray::fromPercentEncoding(pair.mid(eq + 1));
        if (key == "host" || key == "server")
            host = value;
        else if (key == "port")
            port = value;
        else if (key == "user")
            user = value;
        else if (key == "share" || key == "volume")
            share = value;
        else if (key == "prefix")
            prefix = value;
        else if (key == "domain")
            domain = value;
        else if (key == "ssl")
            ssl = value == "true";
    }
    if (host.isEmpty())
        return std::nullopt;
    RemoteAddress address;
    if (type == "smb-share")
        address.scheme = QStringLiteral("smb");
    else if (type == "afp-volume")
        address.scheme = QStringLiteral("afp");
    else if (type == "dav")
        address.scheme = ssl ? QStringLiteral("davs") : QStringLiteral("dav");
    else
        address.scheme = QString::fromUtf8(type).toLower();
    address.host = QString::fromUtf8(host);
    address.user = QString::fromUtf8(user);
    if (!domain.isEmpty() && !address.user.isEmpty())
        address.user = QString::fromUtf8(domain) + QLatin1Char(';') + address.user;
    bool ok = false;
    const int number = port.toInt(&ok);
    address.port = ok && number > 0 && number <= 65535 ? number : 0;
    address.path = "/";
    if (!share.isEmpty())
        address.path = JoinPath("/", share);
    if (!prefix.isEmpty())
        address.path = JoinPath(address.path, prefix);
    if (!address.path.endsWith('/'))
        address.path += '/';
    return address.ToUri();
}

RemoteMap::RemoteMap(std::vector<RemoteRoot> roots, QByteArray gvfsDir)
    : m_roots(std::move(roots)), m_gvfsDir(std::move(gvfsDir)) {
    while (m_gvfsDir.endsWith('/')) m_gvfsDir.chop(1);
}

const RemoteRoot* RemoteMap::RootOfUri(const QString& uri) const {
    const std::optional<RemoteAddress> address = ParseRemoteUri(uri);
    if (!address)
        return nullptr;
    const RemoteRoot* best = nullptr;
    qsizetype bestLength = -1;
    for (const RemoteRoot& root : m_roots) {
        const std::optional<RemoteAddress> base = ParseRemoteUri(root.uri);
        if (!base || !SameServer(*base, *address) || !PathUnder(address->path, base->path, nullptr))
            continue;
        if (base->path.size() > bestLength) {
            best = &root;
            bestLength = base->path.size();
        }
    }
    return best;
}

const RemoteRoot* RemoteMap::RootOfPath(const QByteArray& localPath) const {
    const RemoteRoot* best = nullptr;
    for (const RemoteRoot& root : m_roots) {
        if (root.localPath.isEmpty() || !PathUnder(localPath, root.localPath, nullptr))
            continue;
        if (!best || root.localPath.size() > best->localPath.size())
            best = &root;
    }
    return best;
}

std::optional<QByteArray> RemoteMap::LocalPathOf(const QString& uri) const {
    const RemoteRoot* root = RootOfUri(uri);
    if (!root || root->localPath.isEmpty())
        return std::nullopt;
    const std::optional<RemoteAddress> address = ParseRemoteUri(uri);
    const std::optional<RemoteAddress> base = ParseRemoteUri(root->uri);
    QByteArray rest;
    PathUnder(address->path, base->path, &rest);
    while (rest.endsWith('/')) rest.chop(1);
    QByteArray local = root->localPath;
    while (local.endsWith('/') && local.size() > 1) local.chop(1);
    return rest.isEmpty() ? local : JoinPath(local, rest);
}

std::optional<QString> RemoteMap::UriOf(const QByteArray& localPath) const {
    QByteArray rest;
    std::optional<RemoteAddress> base;
    if (const RemoteRoot* root = RootOfPath(localPath)) {
        PathUnder(localPath, root->localPath, &rest);
        base = ParseRemoteUri(root->uri);
    } else if (!m_gvfsDir.isEmpty() && PathUnder(localPath, m_gvfsDir, &rest) && rest.size() > 1) {
        // A bridge folder no mount names (yet): its name says what it is.
        const qsizetype slash = rest.indexOf('/', 1);
        const QByteArray folder = rest.mid(1, slash < 0 ? -1 : slash - 1);
        rest = slash < 0 ? QByteArray() : rest.mid(slash);
        if (const std::optional<QString> uri = UriOfFuseFolder(folder))
            base = ParseRemoteUri(*uri);
    }
    if (!base)
        return std::nullopt;
    base->path = rest.isEmpty() || rest == "/" ? base->path : JoinPath(base->path, rest);
    return base->ToUri();
}

QByteArray GvfsFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/')
        return QByteArray(runtime) + "/gvfs";
    return "/run/user/" + QByteArray::number(static_cast<qulonglong>(::getuid())) + "/gvfs";
}

QString DisplayLocation(const RemoteMap& map, const QString& path) {
    if (!path.startsWith(QLatin1Char('/')))
        return path;
    return map.UriOf(NameToBytes(path)).value_or(path);
}
