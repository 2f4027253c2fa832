#include "fileops/TransferFormats.h"

#include <sys/stat.h>

#include <QIODevice>
#include <QMimeData>

#include "fileops/ContentsMimeData.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/NameCodec.h"

namespace {

const QByteArray kCopyWord = QByteArrayLiteral("copy");
const QByteArray kCutWord = QByteArrayLiteral("cut");
const QByteArray kFileScheme = QByteArrayLiteral("file://");
const QByteArray kLocalHost = QByteArrayLiteral("localhost");

// The lines of a block, without their LF or CR LF ends.
QList<QByteArray> Lines(const QByteArray& block) {
    QList<QByteArray> lines = block.split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

}  // namespace

std::optional<std::uint32_t> ReadDword(const QByteArray& bytes) {
    if (bytes.size() < 4)
        return std::nullopt;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.constData());
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
           std::uint32_t(b[3]) << 24;
}

std::optional<std::uint32_t> ReadDwordFormat(const ShellDataObject& data, const QString& mime) {
    if (!data.HasFormat(mime))
        return std::nullopt;
    return ReadDword(data.GetData(mime));
}

QByteArray DwordBytes(std::uint32_t value) {
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = char((value >> (8 * i)) & 0xFF);
    return bytes;
}

QByteArray FileUriOf(const QString& path) {
    return kFileScheme + NameToBytes(path).toPercentEncoding("/");
}

std::optional<QString> PathOfFileUri(const QByteArray& uri) {
    const QByteArray trimmed = uri.trimmed();
    if (!trimmed.startsWith(kFileScheme))
        return std::nullopt;
    QByteArray rest = trimmed.mid(kFileScheme.size());
    const qsizetype slash = rest.indexOf('/');
    if (slash < 0)
        return std::nullopt;
    const QByteArray host = rest.left(slash);
    if (!host.isEmpty() && host.compare(kLocalHost, Qt::CaseInsensitive) != 0)
        return std::nullopt;
    rest = rest.mid(slash);
    // A query or fragment is no part of a local path.
    const qsizetype end = rest.indexOf('#');
    if (end >= 0)
        rest.truncate(end);
    const std::optional<QByteArray> bytes = PercentDecode(rest);
    if (!bytes || bytes->isEmpty())
        return std::nullopt;
    return NameFromBytes(*bytes);
}

QByteArray EncodeUriList(const QStringList& paths) {
    QByteArray block;
    for (const QString& path : paths) block += FileUriOf(path) + "\r\n";
    return block;
}

QStringList DecodeUriList(const QByteArray& block) {
    QStringList paths;
    for (const QByteArray& line : Lines(block)) {
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        if (std::optional<QString> path = PathOfFileUri(line))
            paths << *path;
    }
    return paths;
}

QByteArray EncodeCopiedFiles(bool cut, const QStringList& paths) {
    QByteArray block = cut ? kCutWord : kCopyWord;
    for (const QString& path : paths) block += '\n' + FileUriOf(path);
    return block;
}

std::optional<CopiedFiles> DecodeCopiedFiles(const QByteArray& block) {
    const QList<QByteArray> lines = Lines(block);
    if (lines.isEmpty())
        return std::nullopt;
    CopiedFiles files;
    const QByteArray word = lines.front().trimmed();
    if (word == kCutWord)
        files.cut = true;
    else if (word != kCopyWord)
        return std::nullopt;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (std::optional<QString> path = PathOfFileUri(lines[i]))
            files.paths << *path;
    }
    return files;
}

QStringList FilePathsOf(const ShellDataObject& data) {
    if (data.HasFormat(ClipFormats::kUriList)) {
        const QStringList paths = DecodeUriList(data.GetData(ClipFormats::kUriList));
        if (!paths.isEmpty())
            return paths;
    }
    for (const QString& mime : {ClipFormats::kGnomeCopiedFiles, ClipFormats::kMateCopiedFiles}) {
        if (!data.HasFormat(mime))
            continue;
        if (std::optional<CopiedFiles> files = DecodeCopiedFiles(data.GetData(mime)))
            return files->paths;
    }
    return {};
}

std::optional<std::uint32_t> PreferredEffectOf(const ShellDataObject& data) {
    if (std::optional<std::uint32_t> own = ReadDwordFormat(data, ClipFormats::kPreferredDropEffect))
        return own;
    for (const QString& mime : {ClipFormats::kGnomeCopiedFiles, ClipFormats::kMateCopiedFiles}) {
        if (!data.HasFormat(mime))
            continue;
        if (std::optional<CopiedFiles> files = DecodeCopiedFiles(data.GetData(mime)))
            return files->cut ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
    }
    if (data.HasFormat(ClipFormats::kKdeCutSelection))
        return data.GetData(ClipFormats::kKdeCutSelection).trimmed() == "1" ? DROPEFFECT_MOVE
                                                                            : DROPEFFECT_COPY;
    return std::nullopt;
}

std::uint32_t OperationFromPreferred(std::optional<std::uint32_t> preferred) {
    if (!preferred)
        return DROPEFFECT_COPY;
    if (*preferred == DROPEFFECT_LINK)
        return DROPEFFECT_LINK;
    return *preferred & ~std::uint32_t(DROPEFFECT_LINK);
}

std::uint32_t ReportedEffect(std::uint32_t operation) {
    return operation == (DROPEFFECT_COPY | DROPEFFECT_MOVE) ? DROPEFFECT_COPY : operation;
}

std::uint32_t KeyStateForOperation(std::uint32_t operation) {
    switch (operation) {
        case DROPEFFECT_MOVE:
            return MK_LBUTTON | MK_SHIFT;
        case DROPEFFECT_COPY:
            return MK_LBUTTON | MK_CONTROL;
        case DROPEFFECT_LINK:
            return MK_LBUTTON | MK_SHIFT | MK_CONTROL;
        default:
            return MK_LBUTTON;
    }
}

std::uint32_t KeyStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    std::uint32_t state = 0;
    if (buttons & Qt::LeftButton)
        state |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        state |= MK_RBUTTON;
    if (modifiers & Qt::ShiftModifier)
        state |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        state |= MK_CONTROL;
    if (modifiers & Qt::AltModifier)
        state |= MK_ALT;
    return state;
}

std::uint32_t ShellDropEffect(std::uint32_t keyState, std::uint32_t allowed, bool sameVolume) {
    const bool shift = keyState & MK_SHIFT;
    const bool ctrl = keyState & MK_CONTROL;
    std::uint32_t wanted = 0;
    if (shift && ctrl)
        wanted = DROPEFFECT_LINK;
    else if (shift)
        wanted = DROPEFFECT_MOVE;
    else if (ctrl)
        wanted = DROPEFFECT_COPY;
    else
        wanted = sameVolume ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
    if (allowed & wanted)
        return wanted;
    for (std::uint32_t effect : {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK}) {
        if (allowed & effect)
            return effect;
    }
    return DROPEFFECT_NONE;
}

bool SameVolume(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    if (::stat(NameToBytes(a).constData(), &sa) != 0 ||
        ::stat(NameToBytes(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev;
}

// -- MimeDataObject ------------------------------------------------------------

MimeDataObject::MimeDataObject(const QMimeData& mime) {
    static const QStringList kTransferFormats = {ClipFormats::kShellIdList,
                                                 ClipFormats::kPreferredDropEffect,
                                                 ClipFormats::kFileNameMap,
                                                 ClipFormats::kUriList,
                                                 ClipFormats::kText,
                                                 ClipFormats::kGnomeCopiedFiles,
                                                 ClipFormats::kKdeCutSelection,
                                                 ClipFormats::kMateCopiedFiles};
    for (const QString& format : mime.formats()) {
        if (!kTransferFormats.contains(format))
            continue;
        m_formats << format;
        m_bytes << mime.data(format);
    }
}

QByteArray MimeDataObject::GetData(const QString& mime) const {
    const qsizetype at = m_formats.indexOf(mime);
    return at >= 0 ? m_bytes[at] : QByteArray();
}

// -- OverlayDataObject -----------------------------------------------------------

OverlayDataObject::OverlayDataObject(std::unique_ptr<ShellDataObject> inner)
    : m_inner(std::move(inner)) {}

void OverlayDataObject::SetData(const QString& mime, const QByteArray& bytes) {
    const qsizetype at = m_names.indexOf(mime);
    if (at >= 0) {
        m_bytes[at] = bytes;
        return;
    }
    m_names << mime;
    m_bytes << bytes;
}

QStringList OverlayDataObject::Formats() const {
    QStringList formats = m_inner->Formats();
    for (const QString& name : m_names) {
        if (!formats.contains(name))
            formats << name;
    }
    return formats;
}

QByteArray OverlayDataObject::GetData(const QString& mime) const {
    const qsizetype at = m_names.indexOf(mime);
    return at >= 0 ? m_bytes[at] : m_inner->GetData(mime);
}

std::optional<std::vector<FileDescriptor>> OverlayDataObject::GetFileGroupDescriptor() const {
    return m_inner->GetFileGroupDescriptor();
}

std::unique_ptr<QIODevice> OverlayDataObject::GetFileContents(int index) const {
    return m_inner->GetFileContents(index);
}

// -- To other programs ---------------------------------------------------------------

namespace {

void FillMimeData(QMimeData& mime, const ShellDataObject& data, std::uint32_t effect) {
    for (const QString& format : data.Formats()) {
        if (format == ClipFormats::kFileContents || format == ClipFormats::kFileGroupDescriptor ||
            format == ClipFormats::kFileGroupDescriptorW)
            continue;
        mime.setData(format, data.GetData(format));
    }
    const QStringList paths = FilePathsOf(data);
    if (!paths.isEmpty()) {
        const bool cut = effect != 0 && OperationFromPreferred(effect) == DROPEFFECT_MOVE;
        mime.setData(ClipFormats::kUriList, EncodeUriList(paths));
        mime.setData(ClipFormats::kGnomeCopiedFiles, EncodeCopiedFiles(cut, paths));
        mime.setData(ClipFormats::kKdeCutSelection, cut ? "1" : "0");
    }
    if (effect != 0)
        mime.setData(ClipFormats::kPreferredDropEffect, DwordBytes(effect));
}

}  // namespace

QMimeData* ToMimeData(const ShellDataObject& data, std::uint32_t effect) {
    auto* mime = new QMimeData;
    FillMimeData(*mime, data, effect);
    return mime;
}

QMimeData* ToMimeData(std::shared_ptr<const ShellDataObject> data, std::uint32_t effect) {
    if (!data)
        return new QMimeData;
    if (!HasContentsOnly(*data))
        return ToMimeData(*data, effect);
    auto* mime = new ContentsMimeData(data);
    FillMimeData(*mime, *data, effect);
    return mime;
}
