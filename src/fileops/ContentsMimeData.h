#pragma once
// ContentsMimeData: what other programs get when items that exist only as
// contents streams (the entries of an archive) are dragged out of a pane or
// put on the clipboard. Other programs understand files, not streams, so it
// offers the file list formats (text/uri-list, x-special/gnome-copied-files
// as a copy, text/plain) of temporary copies of the entries, besides the
// byte formats set on it as on any QMimeData.
//
// The copies are made only when a consumer asks for one of those formats,
// once per object (later requests give the same list):
//   - each file entry is written into a fresh private folder "CvDrag_XXXXXX"
//     (mode 0700) of the temporary folder under its own last name component
//     (so the consumer's copy is named as the entry), created exclusively,
//     never through a planted file; two entries of one name go to numbered
//     sub-folders;
//   - entries larger than "nMaxExtractSize" are refused: left out, and the
//     notice "This item is too large to be viewed" says so (programs may
//     ask for the list while a drag merely passes over them, and a stray
//     pass must not unpack gigabytes); folders and links, which have no
//     contents stream, are left out too;
//   - a read or write error removes the partial file and leaves the entry
//     out.
// The copies outlive the object, since the consumer may read them after
// the drag has ended: they are deleted when the program quits
// (DeleteContentsCopies).
//
// Main thread only (Qt asks for the data there).

#include <QMimeData>
#include <QStringList>
#include <memory>

class ShellDataObject;

class ContentsMimeData : public QMimeData {
public:
    /// `data` supplies the file group descriptor and the contents streams.
    explicit ContentsMimeData(std::shared_ptr<const ShellDataObject> data);

    /// The byte formats set on it, and the file list formats.
    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

    /// The paths of the temporary copies made so far (none before a
    /// consumer asked).
    const QStringList& Copies() const { return m_copies; }
    /// Whether the copies have been made (or tried).
    bool CopiesMade() const { return m_made; }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    void MakeCopies() const;

    std::shared_ptr<const ShellDataObject> m_data;
    mutable bool m_made = false;
    mutable QStringList m_copies;
};

/// Whether `data` carries items only as contents streams (a file group
/// descriptor and file contents, no file paths): what ContentsMimeData is
/// for.
bool HasContentsOnly(const ShellDataObject& data);

/// Deletes every temporary copy ContentsMimeData made in this run (only the
/// files it wrote and its own folders). Runs at the program's end by
/// itself; callable earlier (tests).
void DeleteContentsCopies();
