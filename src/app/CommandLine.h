#pragma once
// The program's command line: an optional profile switch and up to two start
// folders. A pure function over the argument list, so that the rules can be
// checked without starting a process.

#include <QString>
#include <QStringList>
#include <optional>

/// The application name, and the base of every profile name.
inline const QString kApplicationName = QStringLiteral("Corvane");

/// What the command line asked for.
struct CommandLine {
    /// True when a profile switch was given (the first one counts).
    bool hasProfileSwitch = false;
    /// The text after the switch's colon (may be empty).
    QString profileSuffix;
    /// Start folders in order: the left pane's, then the right pane's. At most
    /// two; further folder arguments are ignored.
    QStringList startFolders;

    /// "Corvane" followed by the suffix.
    QString ProfileName() const;
};

/// True when `argument` is a profile switch: "/" or "-", then "s" or "S", then
/// ":" ("/s:work", "-S:work").
bool IsProfileSwitch(const QString& argument);

/// Scans the arguments that follow the program name. The first profile switch
/// sets the suffix; every other argument, a second switch included, is a start
/// folder, of which the first two are kept. A "/" inside the suffix becomes
/// "_": a profile is one store file, never a path into other folders.
/// A start folder may be given as a local file URI (what a desktop entry's
/// "%U" passes); it is kept as the path it names (see StartFolderOf()).
CommandLine ParseCommandLine(const QStringList& arguments);

/// The folder a start-folder argument names: a local "file:" URI
/// ("file:///p", "file://localhost/p", the scheme in any case) becomes its
/// path with the percent escapes decoded to bytes; anything else, another
/// host's URI included, is kept as given (and fails to open as any missing
/// folder does).
QString StartFolderOf(const QString& argument);

/// What the terminal options ask for, answered before any window exists:
/// "--help" or "-h" gives the usage text, "--version" the program's name and
/// version, each ended by a line feed; nullopt when neither is among the
/// arguments (the first one found counts).
std::optional<QString> TerminalAnswer(const QStringList& arguments);

/// The arguments after the program name, decoded from the kernel's bytes (so
/// a folder name that is not valid UTF-8 survives, see NameCodec.h).
QStringList ArgumentsFromArgv(int argc, const char* const* argv);
