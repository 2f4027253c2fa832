#include "platform/remote/GioTempCopy.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <vector>

#include "platform/namespace/NameCodec.h"
#include "platform/remote/GioOperation.h"

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("GioTempCopy", text);
}

// The copies' folders, removed with their contents when the program ends.
std::vector<std::unique_ptr<QTemporaryDir>>& Folders() {
    static std::vector<std::unique_ptr<QTemporaryDir>> folders;
    return folders;
}

QString ParentUriOf(const QString& uri) {
    return uri.left(uri.lastIndexOf(QLatin1Char('/')));
}

// One editing copy and the remote file it is written back to.
class WriteBack : public QObject {
public:
    WriteBack(QString path, QString uri, std::function<void(const QString&, bool)> report)
        : QObject(QCoreApplication::instance()),
          m_path(std::move(path)),
          m_uri(std::move(uri)),
          m_report(std::move(report)) {
        Remember();
        m_watch.addPath(QFileInfo(m_path).absolutePath());
        m_watch.addPath(m_path);
        connect(&m_watch, &QFileSystemWatcher::directoryChanged, this, [this] { Check(); });
        connect(&m_watch, &QFileSystemWatcher::fileChanged, this, [this] { Check(); });
    }

private:
    void Remember() {
        const QFileInfo info(m_path);
        m_size = info.size();
        m_time = info.lastModified();
    }

    void Check() {
        const QFileInfo info(m_path);
        if (!info.exists())
            return;  // between an editor's delete and its rename
        // An editor that renames a new file onto the copy leaves the
        // watcher on the old one.
        if (!m_watch.files().contains(m_path))
            m_watch.addPath(m_path);
        if (info.size() == m_size && info.lastModified() == m_time)
            return;
        if (m_busy) {
            m_again = true;
            return;
        }
        m_busy = true;
        // The write waits for its worker in an event loop of its own: not
        // inside the watcher's signal.
        QTimer::singleShot(0, this, [this] { Write(); });
    }

    void Write() {
        Remember();
        GioRequest request;
        request.kind = GioRequest::Kind::Copy;
        request.sources = {GioUriOfPath(NameToBytes(m_path))};
        request.target = ParentUriOf(m_uri);
        request.noConfirmation = true;  // the user saved it: the remote file is replaced
        const GioResult result = RunGioOperation(request, nullptr);
        if (result.done == 1)
            m_report(Tr("Saved to %1").arg(m_uri), false);
        else
            m_report(Tr("The changes could not be written to %1; they are kept in %2")
                         .arg(m_uri, m_path),
                     true);
        m_busy = false;
        if (m_again) {
            m_again = false;
            Check();
        }
    }

    QString m_path;
    QString m_uri;
    std::function<void(const QString&, bool)> m_report;
    QFileSystemWatcher m_watch;
    qint64 m_size = -1;
    QDateTime m_time;
    bool m_busy = false;
    bool m_again = false;
};

}  // namespace

QString GioTempCopy(const QString& uri, QWidget* parent, QString* whyNot) {
    auto folder =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/CvGio_XXXXXX"));
    if (!folder->isValid()) {
        if (whyNot)
            *whyNot = folder->errorString();
        return QString();
    }
    GioRequest request;
    request.kind = GioRequest::Kind::Copy;
    request.sources = {uri};
    request.target = GioUriOfPath(NameToBytes(folder->path()));
    const GioResult result = RunGioOperation(request, parent);
    if (result.done != 1) {
        if (whyNot)
            *whyNot = QString();  // the operation has told the user
        return QString();
    }
    const QString path = folder->path() + QLatin1Char('/') + NameFromBytes(GioNameOfUri(uri));
    Folders().push_back(std::move(folder));
    return path;
}

void WriteBackWhenSaved(const QString& localPath, const QString& uri,
                        std::function<void(const QString& text, bool failed)> report) {
    new WriteBack(localPath, uri, std::move(report));
}
