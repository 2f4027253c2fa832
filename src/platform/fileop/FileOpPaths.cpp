#include "platform/fileop/FileOpPaths.h"

#include <QCoreApplication>
#include <cstring>

#include "platform/fs/FileSystem.h"
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

QByteArray ParentOf(const QByteArray& path) {
    return ParentPathBytes(path);
}

QByteArray StripTrailingSlashes(QByteArray path) {
    while (path.size() > 1 && path.endsWith('/')) path.chop(1);
    return path;
}

QString Shown(const QByteArray& nameOrPath) {
    return DisplayFromName(NameFromBytes(LastComponent(nameOrPath)));
}

QString ShownPath(const QByteArray& path) {
    return DisplayFromBytes(path);
}

}  // namespace fileop

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
