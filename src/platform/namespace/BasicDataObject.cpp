#include "platform/namespace/BasicDataObject.h"

#include <QIODevice>

#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/NameCodec.h"

void BasicDataObject::SetData(const QString& mime, const QByteArray& bytes) {
    for (auto& [name, data] : m_formats) {
        if (name == mime) {
            data = bytes;
            return;
        }
    }
    m_formats.emplace_back(mime, bytes);
}

void BasicDataObject::SetFileGroup(std::vector<FileDescriptor> descriptors,
                                   ContentsSource contents) {
    m_descriptors = std::move(descriptors);
    m_contents = std::move(contents);
}

QByteArray BasicDataObject::FileUri(const QString& path) {
    return "file://" + NameToBytes(path).toPercentEncoding("/");
}

void BasicDataObject::SetFilePaths(const QStringList& paths) {
    QByteArray uris;
    QByteArray text;
    for (const QString& path : paths) {
        uris += FileUri(path) + "\r\n";
        if (!text.isEmpty())
            text += '\n';
        text += NameToBytes(path);
    }
    SetData(ClipFormats::kUriList, uris);
    SetData(ClipFormats::kText, text);
}

QStringList BasicDataObject::Formats() const {
    QStringList out;
    for (const auto& format : m_formats) out << format.first;
    if (m_descriptors) {
        out << ClipFormats::kFileGroupDescriptorW << ClipFormats::kFileGroupDescriptor
            << ClipFormats::kFileContents;
    }
    return out;
}

QByteArray BasicDataObject::GetData(const QString& mime) const {
    for (const auto& [name, data] : m_formats) {
        if (name == mime)
            return data;
    }
    return {};
}

std::optional<std::vector<FileDescriptor>> BasicDataObject::GetFileGroupDescriptor() const {
    return m_descriptors;
}

std::unique_ptr<QIODevice> BasicDataObject::GetFileContents(int index) const {
    if (!m_descriptors || !m_contents || index < 0 || index >= int(m_descriptors->size())) {
        return nullptr;
    }
    return m_contents(index);
}
