#include "editor/EditorFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstring>

std::optional<QByteArray> ReadEditorFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFile::NoError) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    return bytes;
}

bool WriteEditorFile(const QString& path, const char* data, qint64 size, QString* error) {
    const QFileInfo info(path);
    const QString target = info.isSymLink() && info.exists() ? info.canonicalFilePath() : path;
    QSaveFile file(target);
    file.setDirectWriteFallback(true);
    bool ok = file.open(QIODevice::WriteOnly);
    qint64 written = 0;
    while (ok && written < size) {
        const qint64 n = file.write(data + written, size - written);
        if (n <= 0)
            ok = false;
        else
            written += n;
    }
    if (ok)
        ok = file.commit();
    else
        file.cancelWriting();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}

int DetectLineEnd(const char* data, qint64 size) {
    for (qint64 i = 0; i < size; ++i) {
        if (data[i] == '\n')
            return 0;
        if (data[i] == '\r')
            return i + 1 < size && data[i + 1] == '\n' ? 1 : 2;
    }
    return 0;
}

QString EditorTitle(const QString& path) {
    const QFileInfo info(path);
    return info.fileName() + QStringLiteral(" @ ") + info.absolutePath();
}
