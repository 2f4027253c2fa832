#include "app/CommandLine.h"

#include "app/ProductVersion.h"
#include "fileops/TransferFormats.h"
#include "platform/namespace/NameCodec.h"

namespace {

const QString kUsage = QStringLiteral(
    "Usage: corvane [/s:PROFILE] [LEFT-FOLDER [RIGHT-FOLDER]]\n"
    "A dual-pane file manager.\n"
    "\n"
    "  LEFT-FOLDER, RIGHT-FOLDER  the folders the two panes open: paths, or\n"
    "                             file:// URIs\n"
    "  /s:PROFILE, -s:PROFILE     use the separate settings profile PROFILE\n"
    "                             (the file CorvanePROFILE.ini)\n"
    "  -h, --help                 show this help and exit\n"
    "  --version                  show the version and exit\n"
    "\n"
    "Settings are kept in $XDG_CONFIG_HOME/Quorvelt Plc/Corvane.ini\n"
    "(~/.config by default). See corvane(1).\n");

}  // namespace

QString CommandLine::ProfileName() const {
    return kApplicationName + profileSuffix;
}

bool IsProfileSwitch(const QString& argument) {
    return argument.size() >= 3 && (argument[0] == u'/' || argument[0] == u'-') &&
           (argument[1] == u's' || argument[1] == u'S') && argument[2] == u':';
}

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine result;
    for (const QString& argument : arguments) {
        if (!result.hasProfileSwitch && IsProfileSwitch(argument)) {
            result.hasProfileSwitch = true;
            result.profileSuffix = argument.mid(3);
            result.profileSuffix.replace(u'/', u'_');
            continue;
        }
        if (result.startFolders.size() < 2)
            result.startFolders.append(StartFolderOf(argument));
    }
    return result;
}

QStringList ArgumentsFromArgv(int argc, const char* const* argv) {
    QStringList arguments;
    for (int i = 1; i < argc && argv[i] != nullptr; ++i)
        arguments.append(NameFromBytes(argv[i], qstrlen(argv[i])));
    return arguments;
}

QString StartFolderOf(const QString& argument) {
    if (!argument.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive))
        return argument;
    // The URI's text is ASCII when it is well formed; the bytes of the name
    // come from its escapes, so the path is decoded as any name is.
    QByteArray uri = NameToBytes(argument);
    uri.replace(0, 5, "file:");
    return PathOfFileUri(uri).value_or(argument);
}

std::optional<QString> TerminalAnswer(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h"))
            return kUsage;
        if (argument == QStringLiteral("--version"))
            return QStringLiteral("corvane ") + GetProductVersion() + QLatin1Char('\n');
    }
    return std::nullopt;
}
