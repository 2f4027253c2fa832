#include "app/ProductVersion.h"

#ifndef CORVANE_VERSION
#define CORVANE_VERSION ""
#endif

QString FormatProductVersion(const QString& rawVersion) {
    if (rawVersion.trimmed().isEmpty())
        return QStringLiteral("[unknown]");
    QString text = rawVersion;
    return text.replace(QStringLiteral(", "), QStringLiteral("."));
}

QString GetProductVersion() {
    return FormatProductVersion(QStringLiteral(CORVANE_VERSION));
}
