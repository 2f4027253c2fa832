#pragma once
// Completing a typed folder path, as Tab in the address box does it: the
// entries of the folder the text names that begin with its last part,
// folders first, and the longest text they all begin with.

#include <QString>
#include <QStringList>

struct PathCompletion {
    /// The typed text completed as far as every candidate agrees (a lone
    /// folder gets its "/"); the typed text itself when they agree on no
    /// more.
    QString text;
    /// The full paths of the candidates: folders (with a trailing "/")
    /// first, then files, each group by name.
    QStringList candidates;
};

/// The completion of `typed`, an absolute path or one that starts with "~/"
/// (the home folder, given as `home`). A last part that starts with "."
/// also offers hidden entries. An empty result (no candidates) when the
/// text is no such path, its folder can't be read, or nothing matches.
/// Reads one folder's names (and, for entries whose type the listing does
/// not tell, one stat each).
PathCompletion CompletePath(const QString& typed, const QString& home);
