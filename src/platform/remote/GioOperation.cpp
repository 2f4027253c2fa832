#include "platform/remote/GioOperation.h"

#include <glib.h>

#include <QCoreApplication>
#include <atomic>

namespace {

std::atomic<GioOperationRunner> g_runner{nullptr};

}  // namespace

GioResult RunGioOperation(const GioRequest& request, QWidget* parent) {
    if (GioOperationRunner runner = g_runner.load())
        return runner(request, parent);
    GioResult none;
    none.failed = int(request.sources.size());
    none.errors << QCoreApplication::translate("GioOperation",
                                               "No file operations are installed for this place");
    return none;
}

void InstallGioOperationRunner(GioOperationRunner runner) {
    g_runner = runner;
}

QString GioChildUri(const QString& folderUri, const QByteArray& name) {
    static const QByteArray kept = "!$&'()*+,;=:@-._~";
    QString out = folderUri;
    if (!out.endsWith(QLatin1Char('/')))
        out += QLatin1Char('/');
    return out + QString::fromLatin1(name.toPercentEncoding(kept));
}

QByteArray GioNameOfUri(const QString& uri) {
    QString path = uri;
    while (path.endsWith(QLatin1Char('/'))) path.chop(1);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return QByteArray::fromPercentEncoding(path.mid(slash + 1).toLatin1());
}

QString GioUriOfPath(const QByteArray& path) {
    char* uri = g_filename_to_uri(path.constData(), nullptr, nullptr);
    const QString out = QString::fromUtf8(uri);
    g_free(uri);
    return out;
}
