#include "platform/store/ProfileStore.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStringDecoder>
#include <QStringList>
#include <QTemporaryFile>
#include <limits>

namespace {

const QString kBackupSuffix = QStringLiteral(".damaged");
constexpr int kMaxBackupNumber = 9999;
constexpr qint64 kCopyChunk = qint64(1) << 20;

// What a look at the store file found.
struct Inspection {
    bool exists = false;
    bool damaged = false;
    bool needsBackup = false;
    ProfileStore::Entries entries;  // the file's entries, when it exists and is sound
};

bool IsUtf8Text(const QByteArray& bytes) {
    if (bytes.contains('\0'))
        return false;
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded = decoder(bytes);
    Q_UNUSED(decoded);
    return !decoder.hasError();
}

bool IsSectionLine(const QByteArray& line) {
    if (line.size() < 3 || !line.startsWith('[') || !line.endsWith(']'))
        return false;
    const QByteArray inner = line.mid(1, line.size() - 2);
    return !inner.contains('[') && !inner.contains(']') && !inner.trimmed().isEmpty();
}

// QSettings rewrites only what it understood: comments, lines that are no
// entry, the earlier of two equal keys and values it can't read would be gone
// after a rewrite. Any of them makes the file worth a backup first. A false
// alarm costs only a spare copy of the file.
bool RewriteWouldLoseText(const QByteArray& bytes, const ProfileStore::Entries& parsed) {
    int entryLines = 0;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith('[')) {
            if (!IsSectionLine(line))
                return true;
            continue;
        }
        const int equals = line.indexOf('=');
        if (equals <= 0 || line.left(equals).trimmed().isEmpty())
            return true;
        ++entryLines;
    }
    if (parsed.size() != entryLines)
        return true;
    for (const QVariant& value : parsed) {
        if (!value.isValid())
            return true;
    }
    return false;
}

// The entries of the file's bytes as QSettings reads them, parsed from a
// private copy under a name never used before. QSettings keeps the files it
// parsed and takes a file of the same size and modification time for the same
// file; a rewrite within the same millisecond that happens to keep the size
// would otherwise read back as the old contents.
std::optional<ProfileStore::Entries> Parse(const QByteArray& bytes) {
    QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/corvane-settings-XXXXXX.ini"));
    if (!copy.open() || copy.write(bytes) != bytes.size() || !copy.flush())
        return std::nullopt;
    copy.close();
    QSettings reader(copy.fileName(), QSettings::IniFormat);
    if (reader.status() != QSettings::NoError)
        return std::nullopt;
    ProfileStore::Entries entries;
    for (const QString& key : reader.allKeys()) entries.insert(key, reader.value(key));
    return entries;
}

Inspection Inspect(const QString& path) {
    Inspection result;
    if (path.isEmpty())
        return result;
    const QFileInfo info(path);
    if (!info.exists())
        return result;
    result.exists = true;
    result.damaged = true;
    result.needsBackup = true;
    // Only a regular file is opened: a FIFO in the file's place would block
    // the start-up forever.
    if (!info.isFile() || info.size() > ProfileStore::kMaxFileSize)
        return result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || !IsUtf8Text(bytes))
        return result;

    std::optional<ProfileStore::Entries> entries = Parse(bytes);
    if (!entries)
        return result;
    result.damaged = false;
    result.needsBackup = RewriteWouldLoseText(bytes, *entries);
    result.entries = std::move(*entries);
    return result;
}

std::optional<int> IntFromVariant(const QVariant& value) {
    constexpr qlonglong kMin = std::numeric_limits<int>::min();
    constexpr qlonglong kMax = std::numeric_limits<int>::max();
    qlonglong number = 0;
    switch (value.typeId()) {
        case QMetaType::QString: {
            bool ok = false;
            number = value.toString().trimmed().toLongLong(&ok, 10);
            if (!ok)
                return std::nullopt;
            break;
        }
        case QMetaType::Int:
        case QMetaType::Short:
        case QMetaType::SChar:
        case QMetaType::Long:
        case QMetaType::LongLong:
            number = value.toLongLong();
            break;
        case QMetaType::UInt:
        case QMetaType::UShort:
        case QMetaType::UChar:
        case QMetaType::ULong:
        case QMetaType::ULongLong: {
            const qulonglong unsignedNumber = value.toULongLong();
            if (unsignedNumber > qulonglong(kMax))
                return std::nullopt;
            number = qlonglong(unsignedNumber);
            break;
        }
        default:
            return std::nullopt;
    }
    if (number < kMin || number > kMax)
        return std::nullopt;
    return int(number);
}

// The file's entries and the pending values, in QSettings' own ini form.
// QSettings writes only to a file, so it writes a scratch file beside the
// store, which is read back and removed.
std::optional<QByteArray> Serialize(const QString& storePath, const ProfileStore::Entries& base,
                                    const ProfileStore::Entries& pending) {
    const QFileInfo info(storePath);
    QTemporaryFile scratch(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                           QStringLiteral(".XXXXXX"));
    if (!scratch.open())
        return std::nullopt;
    scratch.close();
    {
        QSettings writer(scratch.fileName(), QSettings::IniFormat);
        for (auto it = base.cbegin(); it != base.cend(); ++it)
            writer.setValue(it.key(), it.value());
        for (auto it = pending.cbegin(); it != pending.cend(); ++it) {
            writer.setValue(it.key(), it.value());
        }
        writer.sync();
        if (writer.status() != QSettings::NoError)
            return std::nullopt;
    }
    QFile written(scratch.fileName());
    if (!written.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = written.readAll();
    if (written.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

QString BackupName(const QString& filePath, int number) {
    return number == 0 ? filePath + kBackupSuffix
                       : filePath + kBackupSuffix + QLatin1Char('.') + QString::number(number);
}

}  // namespace

ProfileStore::ProfileStore(const QString& filePath) : m_filePath(filePath) {
    Load();
}

ProfileStore::~ProfileStore() = default;

QString ProfileStore::DefaultFilePath(const QString& company, const QString& profile) {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    auto component = [](QString name) { return name.replace(QLatin1Char('/'), QLatin1Char('_')); };
    return base + QLatin1Char('/') + component(company) + QLatin1Char('/') + component(profile) +
           QStringLiteral(".ini");
}

void ProfileStore::Load() {
    Inspection found = Inspect(m_filePath);
    m_damaged = found.damaged;
    m_needsBackup = found.needsBackup;
    m_entries = std::move(found.entries);
}

QString ProfileStore::KeyPath(const QString& section, const QString& key) const {
    // QSettings reads both "\" and "/" as group separators and ignores empty
    // groups; the pending map must name an entry exactly as the file does.
    QString path = section + QLatin1Char('/') + key;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
}

QVariant ProfileStore::Value(const QString& section, const QString& key) const {
    if (key.isEmpty())
        return {};
    const QString path = KeyPath(section, key);
    if (path.isEmpty())
        return {};
    const auto pending = m_pending.constFind(path);
    if (pending != m_pending.cend())
        return *pending;
    return m_entries.value(path);
}

int ProfileStore::GetProfileInt(const QString& section, const QString& key,
                                int defaultValue) const {
    return IntFromVariant(Value(section, key)).value_or(defaultValue);
}

QString ProfileStore::GetProfileString(const QString& section, const QString& key,
                                       const QString& defaultValue) const {
    const QVariant value = Value(section, key);
    QString text;
    if (value.typeId() == QMetaType::QString) {
        text = value.toString();
    } else if (value.typeId() == QMetaType::QStringList) {
        text = value.toStringList().join(QStringLiteral(", "));
    } else {
        return defaultValue;
    }
    return text.size() > kMaxTextLength ? defaultValue : text;
}

std::optional<QByteArray> ProfileStore::GetProfileBinary(const QString& section,
                                                         const QString& key) const {
    const QVariant value = Value(section, key);
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    QByteArray bytes = value.toByteArray();
    if (bytes.size() > kMaxBinaryLength)
        return std::nullopt;
    return bytes;
}

bool ProfileStore::HasEntry(const QString& section, const QString& key) const {
    if (key.isEmpty())
        return false;
    const QString path = KeyPath(section, key);
    if (path.isEmpty())
        return false;
    return m_pending.contains(path) || m_entries.contains(path);
}

bool ProfileStore::WriteProfileInt(const QString& section, const QString& key, int value) {
    // Kept as text, the form the file gives back, so a pending value reads
    // exactly as it will once flushed; QSettings writes it as a bare number.
    return WriteProfileString(section, key, QString::number(value));
}

bool ProfileStore::WriteProfileString(const QString& section, const QString& key,
                                      const QString& value) {
    if (key.isEmpty() || value.size() > kMaxTextLength)
        return false;
    const QString path = KeyPath(section, key);
    if (path.isEmpty())
        return false;
    m_pending.insert(path, value);
    return true;
}

bool ProfileStore::WriteProfileBinary(const QString& section, const QString& key,
                                      const QByteArray& value) {
    if (key.isEmpty() || value.size() > kMaxBinaryLength)
        return false;
    const QString path = KeyPath(section, key);
    if (path.isEmpty())
        return false;
    m_pending.insert(path, value);
    return true;
}

QString ProfileStore::DamagedBackupPath() const {
    if (!m_backupPath.isEmpty())
        return m_backupPath;
    for (int number = 0; number <= kMaxBackupNumber; ++number) {
        const QString candidate = BackupName(m_filePath, number);
        if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink())
            return candidate;
    }
    return BackupName(m_filePath, kMaxBackupNumber + 1);
}

bool ProfileStore::BackUpOriginal() {
    if (!QFileInfo(m_filePath).isFile())
        return false;
    QFile original(m_filePath);
    if (!original.open(QIODevice::ReadOnly))
        return false;

    for (int number = 0; number <= kMaxBackupNumber; ++number) {
        const QString candidate = BackupName(m_filePath, number);
        QFile backup(candidate);
        // NewOnly: an existing backup (or anything planted under its name) is
        // never written through.
        if (!backup.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink())
                continue;
            return false;
        }
        bool ok = true;
        while (ok && !original.atEnd()) {
            const QByteArray chunk = original.read(kCopyChunk);
            ok = original.error() == QFileDevice::NoError && backup.write(chunk) == chunk.size();
        }
        ok = ok && backup.flush() && ::fsync(backup.handle()) == 0;
        if (!ok) {
            backup.remove();
            return false;
        }
        backup.setPermissions(original.permissions());
        m_backupPath = candidate;
        return true;
    }
    return false;
}

bool ProfileStore::Flush() {
    if (m_pending.isEmpty())
        return true;
    if (m_filePath.isEmpty())
        return false;
    const QFileInfo info(m_filePath);
    if (!QDir().mkpath(info.absolutePath()))
        return false;

    // Looked at again: another instance may have written the file meanwhile,
    // and its entries are merged rather than lost.
    const Inspection now = Inspect(m_filePath);
    // What the load found counts too: the file may have been replaced by a
    // sound one since, yet the backup promised for the loaded one is owed.
    if (now.exists && (now.needsBackup || m_needsBackup) && !BackUpOriginal())
        return false;

    const std::optional<QByteArray> contents = Serialize(m_filePath, now.entries, m_pending);
    if (!contents)
        return false;

    QSaveFile out(m_filePath);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(*contents) != contents->size()) {
        out.cancelWriting();
        return false;
    }
    if (!out.commit())
        return false;

    m_pending.clear();
    Load();
    return true;
}
