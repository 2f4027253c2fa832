// The settings store over a file of any bytes: reading never fails, values
// stay within their limits, and a save keeps the original aside when it has
// to and reads back what it wrote.

#include <QDir>
#include <QFile>
#include <QList>
#include <QPair>

#include "FuzzSupport.h"
#include "platform/store/ProfileStore.h"

namespace {

// The section and key names the file itself spells, so that reads reach the
// values it holds (at most a few, to keep each run short).
QList<QPair<QString, QString>> NamesIn(const QByteArray& bytes) {
    QList<QPair<QString, QString>> names;
    QString section = QStringLiteral("General");
    for (const QByteArray& raw : bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[') && line.endsWith(']')) {
            section = QString::fromUtf8(line.mid(1, line.size() - 2));
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            names.append({section, QString::fromUtf8(line.left(equals).trimmed())});
        if (names.size() >= 16)
            break;
    }
    return names;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A new file name every time: QSettings keeps the files it parsed and
    // tells a changed one by its size and time, which two inputs written
    // within the same millisecond may share.
    static int run = 0;
    const QByteArray previous = FuzzScratchFolder() + "/store" + QByteArray::number(run);
    QDir(QString::fromLocal8Bit(previous)).removeRecursively();
    const QByteArray folder = FuzzScratchFolder() + "/store" + QByteArray::number(++run);
    FUZZ_CHECK(QDir().mkpath(QString::fromLocal8Bit(folder)));
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = QString::fromLocal8Bit(folder) + QStringLiteral("/Corvane.ini");
    FuzzWriteFile(QFile::encodeName(path), bytes.constData(), size);

    const QString checkSection = QStringLiteral("Fuzz Check");
    const QString checkKey = QStringLiteral("value");
    const QString checkValue = QString::fromUtf8(bytes.left(64));
    {
        ProfileStore store(path);
        for (const auto& [section, key] : NamesIn(bytes)) {
            (void)store.HasEntry(section, key);
            (void)store.GetProfileInt(section, key, -7);
            FUZZ_CHECK(store.GetProfileString(section, key).size() <= ProfileStore::kMaxTextLength);
            const auto binary = store.GetProfileBinary(section, key);
            FUZZ_CHECK(!binary || binary->size() <= ProfileStore::kMaxBinaryLength);
        }
        const bool needsBackup = store.NeedsBackup();
        FUZZ_CHECK(store.WriteProfileString(checkSection, checkKey, checkValue));
        FUZZ_CHECK(store.GetProfileString(checkSection, checkKey) == checkValue);
        const QString backup = store.DamagedBackupPath();
        if (!store.Flush())
            return 0;
        // The user's bytes survive a rewrite that could lose any of them.
        if (needsBackup)
            FUZZ_CHECK(ReadAll(backup) == bytes);
    }
    ProfileStore reread(path);
    FUZZ_CHECK(!reread.IsDamaged());
    FUZZ_CHECK(reread.GetProfileString(checkSection, checkKey) == checkValue);
    return 0;
}
