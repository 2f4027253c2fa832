#include "fileops/NewItems.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "platform/fs/UniqueFd.h"
#include "platform/namespace/NameCodec.h"

namespace {

QByteArray Join(const QByteArray& folder, const QString& name) {
    QByteArray path = folder;
    if (!path.endsWith('/'))
        path += '/';
    return path + NameToBytes(name);
}

enum class NameState { kFree, kTaken, kUnknown };

// Only a name the folder says it lacks is free; a folder that can't be
// looked into has no free name, and the search must not go on for ever.
NameState StateOf(const QByteArray& folder, const QString& name) {
    struct stat info {};
    if (::lstat(Join(folder, name).constData(), &info) == 0)
        return NameState::kTaken;
    return errno == ENOENT ? NameState::kFree : NameState::kUnknown;
}

}  // namespace

namespace {

QString FirstFreeName(bool isFolder, const std::function<NameState(const QString&)>& state) {
    const QString base = isFolder ? kNewFolderBase : kNewFileBase;
    const QString extension = isFolder ? QString() : kNewFileExtension;
    for (int number = 1; number < INT_MAX; ++number) {
        const QString name =
            number == 1 ? base + extension : base + QString::number(number) + extension;
        switch (state(name)) {
            case NameState::kFree:
                return name;
            case NameState::kUnknown:
                return QString();
            case NameState::kTaken:
                break;
        }
    }
    return QString();
}

}  // namespace

QString FreeDefaultName(const QByteArray& folder, bool isFolder) {
    return FirstFreeName(isFolder, [&](const QString& name) { return StateOf(folder, name); });
}

QString FreeDefaultName(bool isFolder, const std::function<bool(const QString&)>& listed) {
    return FirstFreeName(isFolder, [&](const QString& name) {
        return listed(name) ? NameState::kTaken : NameState::kFree;
    });
}

bool CreateNewItem(const QByteArray& folder, const QString& name, bool isFolder) {
    if (name.isEmpty())
        return false;
    const QByteArray path = Join(folder, name);
    if (isFolder)
        return ::mkdir(path.constData(), 0777) == 0;
    UniqueFd fd(::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
    return fd && fd.Close() == 0;
}
