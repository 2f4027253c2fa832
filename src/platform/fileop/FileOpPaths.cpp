#include "platform/fileop/FileOpPaths.h"

#include <QCoreApplication>
#include <cstring>

#include "platform/namespace/NameCodec.h"

namespace fileop {

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

}  // namespace fileop
