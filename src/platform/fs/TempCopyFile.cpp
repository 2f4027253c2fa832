#include "platform/fs/TempCopyFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/fs/UniqueFd.h"
#include "platform/namespace/NameCodec.h"

namespace {

const QString kNoTempFileText = QStringLiteral("The temporary copy could not be made: %1");

constexpr std::uint64_t kDefaultMaxExtractSize = 262144;
constexpr qint64 kCopyBlock = 32768;
// A temporary name already taken (a copy left by a crashed run, or a file
// planted there) moves on to the next counter value, this many times at most.
constexpr int kTempNameAttempts = 64;
// The longest name component a temporary copy keeps, in bytes, so that the
// whole name stays within NAME_MAX with the "CvTMP_%08x_" prefix.
constexpr qsizetype kMaxTempComponentBytes = 240;

std::uint32_t g_tempCounter = 0;

std::function<std::uint64_t()>& ExtractSizeSource() {
    static std::function<std::uint64_t()> source;
    return source;
}

QString SystemErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Copies at most `limit` bytes of `stream` to `fd`. False on a read or
// write error, which `error` then describes.
bool CopyStream(QIODevice& stream, int fd, std::uint64_t limit, QString& error) {
    QByteArray block(kCopyBlock, Qt::Uninitialized);
    std::uint64_t written = 0;
    while (written < limit) {
        const qint64 want = qint64(std::min<std::uint64_t>(kCopyBlock, limit - written));
        const qint64 got = stream.read(block.data(), want);
        if (got < 0) {
            error = stream.errorString();
            return false;
        }
        if (got == 0)
            break;  // the stream ended before `limit`
        if (!WriteAll(fd, block.constData(), got)) {
            error = SystemErrorText(errno);
            return false;
        }
        written += std::uint64_t(got);
    }
    return true;
}

// The copies handed to other applications, deleted when the process ends.
class KeptCopies {
public:
    ~KeptCopies() { DeleteAll(); }
    void Add(const QString& path) {
        std::lock_guard lock(m_mutex);
        m_paths << path;
    }
    int DeleteAll() {
        std::lock_guard lock(m_mutex);
        int deleted = 0;
        for (const QString& path : m_paths) {
            if (::unlink(NameToBytes(path).constData()) == 0)
                ++deleted;
        }
        m_paths.clear();
        return deleted;
    }

private:
    std::mutex m_mutex;
    QStringList m_paths;
};

KeptCopies& Kept() {
    static KeptCopies kept;
    return kept;
}

}  // namespace

QString TempCopyFolder() {
    QByteArray dir = qgetenv("TMPDIR");
    while (dir.size() > 1 && dir.endsWith('/')) dir.chop(1);
    if (dir.isEmpty())
        return QDir::tempPath();
    return NameFromBytes(dir);
}

QString TempCopyComponent(const QString& name) {
    QString component = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    component.removeIf([](QChar c) {
        const char16_t u = c.unicode();
        return u < 0x20 || (u >= 0x7F && u < 0xA0);
    });
    if (component.isEmpty() || component == u'.' || component == QStringLiteral("..")) {
        component = QStringLiteral("_");
    }
    while (NameToBytes(component).size() > kMaxTempComponentBytes) {
        const qsizetype n = component.size();
        const bool pair =
            n >= 2 && component.at(n - 1).isLowSurrogate() && component.at(n - 2).isHighSurrogate();
        component.chop(pair ? 2 : 1);
    }
    return component;
}

QString WriteTempCopy(QIODevice& stream, const QString& name, std::uint64_t size, QString* whyNot) {
    const auto fail = [&](const QString& why) {
        if (whyNot)
            *whyNot = why;
        return QString();
    };
    if (!stream.isOpen() && !stream.open(QIODevice::ReadOnly))
        return fail(stream.errorString());
    if (!stream.isSequential() && !stream.seek(0))
        return fail(stream.errorString());

    QString folder = TempCopyFolder();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    const QString component = TempCopyComponent(name);
    QString path;
    QByteArray pathBytes;
    UniqueFd fd;
    for (int attempt = 0; attempt < kTempNameAttempts && !fd; ++attempt) {
        path = folder + QStringLiteral("CvTMP_%1_").arg(g_tempCounter++, 8, 16, QLatin1Char('0')) +
               component;
        pathBytes = NameToBytes(path);
        fd.reset(::open(pathBytes.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        0600));
        if (!fd && errno != EEXIST)
            break;
    }
    if (!fd)
        return fail(kNoTempFileText.arg(SystemErrorText(errno)));

    QString error;
    const bool copied = CopyStream(stream, fd.get(), size, error);
    const bool closed = fd.Close() == 0;
    if (copied && !closed)
        error = SystemErrorText(errno);
    if (!copied || !closed) {
        ::unlink(pathBytes.constData());
        return fail(error);
    }
    return path;
}

std::uint64_t MaxExtractSize() {
    const auto& source = ExtractSizeSource();
    return source ? source() : kDefaultMaxExtractSize;
}

void SetMaxExtractSizeSource(std::function<std::uint64_t()> source) {
    ExtractSizeSource() = std::move(source);
}

void KeepTempCopyUntilExit(const QString& path) {
    if (!path.isEmpty())
        Kept().Add(path);
}

int DeleteKeptTempCopies() {
    return Kept().DeleteAll();
}
