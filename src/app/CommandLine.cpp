#include "app/CommandLine.h"

#include "platform/namespace/NameCodec.h"

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
            result.startFolders.append(argument);
    }
    return result;
}

QStringList ArgumentsFromArgv(int argc, const char* const* argv) {
    QStringList arguments;
    for (int i = 1; i < argc && argv[i] != nullptr; ++i)
        arguments.append(NameFromBytes(argv[i], qstrlen(argv[i])));
    return arguments;
}
