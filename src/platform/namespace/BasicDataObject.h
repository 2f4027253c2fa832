#pragma once
// BasicDataObject: a ShellDataObject that holds its formats as bytes, with an
// optional file group (descriptors and a source of contents streams). The
// folders of the namespace build theirs with it.

#include <functional>
#include <memory>
#include <vector>

#include "platform/namespace/ShellFolder.h"

class BasicDataObject : public ShellDataObject {
public:
    using ContentsSource = std::function<std::unique_ptr<QIODevice>(int index)>;

    /// Offers `mime` with the given bytes (replacing an earlier value).
    void SetData(const QString& mime, const QByteArray& bytes);

    /// Offers the file group formats (ClipFormats::kFileGroupDescriptor, its W
    /// twin and kFileContents). Their bytes are not serialised: readers use
    /// GetFileGroupDescriptor() and GetFileContents().
    void SetFileGroup(std::vector<FileDescriptor> descriptors, ContentsSource contents);

    /// Offers text/uri-list (file URIs, each line ended by CR LF) and
    /// text/plain (the paths, one a line, as their raw bytes) for the given
    /// absolute paths (decoded with NameFromBytes).
    void SetFilePaths(const QStringList& paths);

    QStringList Formats() const override;
    QByteArray GetData(const QString& mime) const override;
    std::optional<std::vector<FileDescriptor>> GetFileGroupDescriptor() const override;
    std::unique_ptr<QIODevice> GetFileContents(int index) const override;

    /// The file URI of an absolute path: "file://" and the path's bytes
    /// percent-encoded ("/" kept).
    static QByteArray FileUri(const QString& path);

private:
    std::vector<std::pair<QString, QByteArray>> m_formats;  // in the order offered
    std::optional<std::vector<FileDescriptor>> m_descriptors;
    ContentsSource m_contents;
};
