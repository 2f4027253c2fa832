#pragma once
// HardLinker: makes hard links (link(2)) to files and folder trees in a
// target folder, for the paste hard link command (CPaneFileUtils). One
// linker serves one command: it holds the command's answer state, which
// starts as ask-each-time and becomes yes-to-all, or stops the command.
//
// Links never copy: a source on another file system fails with message
// 1005 and nothing is made in its place. A folder is linked as a tree of
// new folders holding links to the source's files; symbolic links in it
// are linked themselves, never followed. An existing target file is
// replaced only after the four-answer question says so, and atomically:
// the link is made under a temporary name and renamed over the target, so
// a failed link leaves the old target in place.
//
// Main thread or any thread; the hooks are called on the caller's thread.

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

/// The string table of the command.
enum HardLinkMessage {
    kLinkOk = 0,
    kLinkExists = 1002,            // "%s ... overwrite it with a hard link anyway?"
    kLinkTitle = 1003,             // "Hard Link"
    kLinkNotFileSystem = 1004,     // sources or target not file-system items
    kLinkFailed = 1005,            // creating a link failed
    kLinkInOriginalFolder = 1006,  // the source is in the target folder already
    kLinkFolderIntoItself = 1007,  // a folder into itself or below
};

/// The text of a message number (1002 to 1007); empty for others.
QString HardLinkText(int message);

class HardLinker {
public:
    struct Hooks {
        /// The target file exists: the four-answer question's result
        /// (MultiAnswerDialog::Result). Empty: "&No".
        std::function<int(const QByteArray& target)> askOverwrite;
        /// Asked before each path and each folder entry; true stops the
        /// command (Escape, or a quit). Empty: never.
        std::function<bool()> stop;
    };

    explicit HardLinker(Hooks hooks);

    /// Links each source path, in order, into `folder` under its own last
    /// name; empty entries and sources that no longer exist are skipped.
    /// kLinkOk, or the message number that stopped it; Stopped() tells a
    /// stop by Escape or "N&o to all" (no message) from a failure.
    int LinkPaths(const std::vector<QByteArray>& sources, const QByteArray& folder);

    /// Links one file (or symbolic link) at `target`. A target folder is
    /// skipped (true); an existing target file is asked about first. True
    /// on success and on a skip.
    bool LinkFile(const QByteArray& source, const QByteArray& target);

    /// Links the tree of `sourceFolder` into `targetParent`: the target
    /// folder (of the source's name) is made on the first entry, or reused
    /// when it exists, so an empty source folder makes nothing. The first
    /// failure ends it (false); a file in the target folder's place fails.
    bool LinkTree(const QByteArray& sourceFolder, const QByteArray& targetParent);

    /// True once the command was stopped by Escape or "N&o to all".
    bool Stopped() const { return m_stopped; }

private:
    bool Stop();
    bool ReplaceWithLink(const QByteArray& source, const QByteArray& target);

    Hooks m_hooks;
    bool m_yesToAll = false;
    bool m_stopped = false;
};
