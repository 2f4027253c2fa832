#include "app/ExternalEditor.h"

#include "platform/process/Launch.h"

bool WantsExternalEditor(bool useExternalEditor, bool viewOnly, bool ctrlHeld) {
    return useExternalEditor && viewOnly == ctrlHeld;
}

QString QuoteCommandLineArgument(const QString& path) {
    QString quoted;
    quoted.reserve(path.size() + 2);
    quoted += u'"';
    for (const QChar c : path) {
        switch (c.unicode()) {
            case u'"':
            case u'\\':
            case u'$':
            case u'`':
                quoted += u'\\';
                quoted += c;
                break;
            case u'%':
                quoted += QStringLiteral("\"'%'\"");
                break;
            default:
                quoted += c;
        }
    }
    quoted += u'"';
    return quoted;
}

QString ExternalEditorCommandLine(const QString& editorCommand, const QString& path) {
    return ExpandTypedCommandLine(editorCommand) + u' ' + QuoteCommandLineArgument(path);
}
