#include "app/PathCompletion.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {

QString CommonPrefix(const QStringList& texts) {
    if (texts.isEmpty())
        return {};
    QString prefix = texts.front();
    for (const QString& text : texts) {
        qsizetype same = 0;
        const qsizetype limit = std::min(prefix.size(), text.size());
        while (same < limit && prefix[same] == text[same]) ++same;
        prefix.truncate(same);
    }
    return prefix;
}

}  // namespace

PathCompletion CompletePath(const QString& typed, const QString& home) {
    PathCompletion result{typed, {}};
    QString path = typed;
    if (path.startsWith(QStringLiteral("~/")) && !home.isEmpty())
        path = home + path.mid(1);
    if (!path.startsWith(u'/'))
        return result;
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString folder = path.left(slash + 1);
    const QString part = path.mid(slash + 1);
    const QString typedFolder = typed.left(typed.lastIndexOf(u'/') + 1);

    QDir::Filters filters = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System;
    if (part.startsWith(u'.'))
        filters |= QDir::Hidden;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QStringList(), filters, QDir::DirsFirst | QDir::Name);
    QStringList names;
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (!name.startsWith(part))
            continue;
        // Folders end in "/", so that the next Tab goes on inside them.
        const QString shown =
            typedFolder + name + (entry.isDir() ? QStringLiteral("/") : QString());
        result.candidates.append(shown);
        names.append(shown);
    }
    if (result.candidates.isEmpty())
        return result;
    const QString common = CommonPrefix(names);
    if (common.size() > typed.size())
        result.text = common;
    return result;
}
