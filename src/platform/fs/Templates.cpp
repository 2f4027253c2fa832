#include "platform/fs/Templates.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/fs/FileSystem.h"
#include "platform/fs/UniqueFd.h"
#include "platform/fs/XdgDirs.h"
#include "platform/namespace/NameCodec.h"

namespace {

// How many numbered names are tried before giving up: a folder with that
// many copies of one template is not worth searching further.
constexpr int kMaxNumberedNames = 10000;

QString DisplayNameOf(const QByteArray& fileName) {
    const qsizetype dot = fileName.lastIndexOf('.');
    const QByteArray base = dot > 0 ? fileName.left(dot) : fileName;
    return DisplayFromName(NameFromBytes(base));
}

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

bool CopyContents(int from, int to) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            return true;
        if (!WriteAll(to, buffer.data(), got))
            return false;
    }
}

}  // namespace

QByteArray TemplatesDirectory() {
    const QByteArray dir = XdgUserDir("TEMPLATES", "Templates");
    return XdgUserDirSwitchedOff(dir) ? QByteArray() : dir;
}

std::vector<TemplateEntry> ListTemplates(const QByteArray& directory, int depth) {
    std::vector<TemplateEntry> out;
    DirectoryReader reader(directory);
    if (!reader.IsOpen())
        return out;
    FileSystemItemData entry;
    while (reader.Next(entry) == DirectoryReader::Result::Entry) {
        if (entry.name.startsWith('.') || entry.name.endsWith('~'))
            continue;
        const QByteArray path = JoinPathBytes(directory, entry.name);
        std::uint32_t mode = entry.mode;
        if (S_ISLNK(mode)) {
            const auto target = StatEntryAt(AT_FDCWD, path, /*follow=*/true);
            if (!target)
                continue;  // A dangling link makes nothing.
            mode = target->mode;
        }
        TemplateEntry item;
        item.fileName = entry.name;
        item.path = path;
        if (S_ISDIR(mode)) {
            if (depth <= 0)
                continue;
            item.children = ListTemplates(path, depth - 1);
            if (item.children.empty())
                continue;
            item.folder = true;
            item.displayName = DisplayFromName(NameFromBytes(entry.name));
        } else if (S_ISREG(mode)) {
            item.displayName = DisplayNameOf(entry.name);
        } else {
            continue;  // Devices and pipes are no templates.
        }
        out.push_back(std::move(item));
    }
    std::sort(out.begin(), out.end(), [](const TemplateEntry& a, const TemplateEntry& b) {
        const int folded = a.displayName.compare(b.displayName, Qt::CaseInsensitive);
        return folded ? folded < 0 : a.fileName < b.fileName;
    });
    return out;
}

std::optional<QByteArray> CreateFromTemplate(const QByteArray& templatePath,
                                             const QByteArray& folder, QString* error) {
    auto fail = [&](const QString& text) -> std::optional<QByteArray> {
        if (error)
            *error = text;
        return std::nullopt;
    };
    const UniqueFd source(::open(templatePath.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!source) {
        return fail(QStringLiteral("The template cannot be read: %1").arg(SystemError(errno)));
    }
    struct stat st;
    if (::fstat(source.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return fail(QStringLiteral("The template is not a regular file"));
    }
    const qsizetype slash = templatePath.lastIndexOf('/');
    const QByteArray name = templatePath.mid(slash + 1);
    for (int n = 1; n <= kMaxNumberedNames; ++n) {
        const QByteArray candidate = NumberedName(name, n);
        const QByteArray target = JoinPathBytes(folder, candidate);
        // O_EXCL with O_CREAT also refuses a symbolic link under the name.
        UniqueFd fd(::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                           st.st_mode & 07777 & ~mode_t(S_ISUID | S_ISGID)));
        if (!fd) {
            if (errno == EEXIST)
                continue;
            return fail(
                QStringLiteral("The new file cannot be created: %1").arg(SystemError(errno)));
        }
        const bool copied = CopyContents(source.get(), fd.get());
        const int copyError = errno;
        const bool closed = fd.Close() == 0;
        if (!copied || !closed) {
            // The file is ours (made exclusively above): a partial copy goes.
            ::unlink(target.constData());
            return fail(QStringLiteral("The template could not be copied: %1")
                            .arg(SystemError(copied ? errno : copyError)));
        }
        return candidate;
    }
    return fail(QStringLiteral("No free name was found for the new file"));
}
