#pragma once
// The bytes of the transfer formats: the 32-bit values (the preferred drop
// effect), the file list (text/uri-list), and the formats other file
// managers use to tell a cut from a copy (x-special/gnome-copied-files and
// its MATE twin, application/x-kde-cutselection), plus the drop-effect rules
// of the desktop (which effect a drop has for a key state). Pure functions:
// nothing here touches the clipboard or the disk, except SameVolume() (and
// the MIME data of contents streams, ContentsMimeData, once a consumer asks
// it for files).
//
// Paths are decoded names (NameCodec.h): URIs carry the raw bytes
// percent-encoded, so a name that is not valid UTF-8 survives a round trip.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/namespace/ShellFolder.h"

class QMimeData;

/// All three effects (copy, move, link).
inline constexpr std::uint32_t kAllDropEffects =
    DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

/// A private format on the data of a drag a pane started with the right
/// button: the drop on a pane asks what to do, although the button is up by
/// then and the drop event no longer tells which one it was.
inline const QString kRightButtonDragFormat = QStringLiteral("application/x-corvane-right-drag");

// -- 32-bit formats ------------------------------------------------------------

/// The first 32 bits (little-endian) of a format's bytes; nullopt when the
/// bytes are shorter than 4 (the format is absent).
std::optional<std::uint32_t> ReadDword(const QByteArray& bytes);
/// ReadDword of a format of a data object.
std::optional<std::uint32_t> ReadDwordFormat(const ShellDataObject& data, const QString& mime);
/// The 4 little-endian bytes of a value.
QByteArray DwordBytes(std::uint32_t value);

// -- File lists ----------------------------------------------------------------

/// The file URI of an absolute path: "file://" and the path's bytes
/// percent-encoded ("/" and unreserved characters kept).
QByteArray FileUriOf(const QString& path);
/// The absolute path of a local file URI ("file:///p", "file://localhost/p"),
/// its percent escapes decoded to bytes; nullopt for other URIs (another
/// scheme or host, a relative path, an escape that decodes to a zero byte).
std::optional<QString> PathOfFileUri(const QByteArray& uri);
/// A text/uri-list block: the URIs of the paths, each line ended by CR LF.
QByteArray EncodeUriList(const QStringList& paths);
/// The local paths of a text/uri-list block: lines ended by LF or CR LF,
/// "#" comment lines and blank lines skipped, URIs that are not local
/// files skipped.
QStringList DecodeUriList(const QByteArray& block);

/// What the gnome / MATE copied-files format holds.
struct CopiedFiles {
    bool cut = false;
    QStringList paths;
};
/// "copy" or "cut", a line feed, then the URIs one a line, with no line feed
/// after the last one (some readers break on a trailing one).
QByteArray EncodeCopiedFiles(bool cut, const QStringList& paths);
/// Reads the format; nullopt when the first line is neither "copy" nor
/// "cut". URIs that are not local files are skipped; a trailing line feed
/// and CR LF line ends are accepted.
std::optional<CopiedFiles> DecodeCopiedFiles(const QByteArray& block);

/// The local file paths a data object carries: text/uri-list, else the
/// gnome or MATE copied-files format. Empty when it carries none.
QStringList FilePathsOf(const ShellDataObject& data);

// -- Preferred effect --------------------------------------------------------------

/// The effect the source of a data object prefers: our own 32-bit format
/// when present; else 2 (move) for a cut and 1 (copy) for a copy as the
/// gnome / MATE copied-files format or application/x-kde-cutselection
/// ("1": cut) tell it; nullopt when nothing says.
std::optional<std::uint32_t> PreferredEffectOf(const ShellDataObject& data);

/// The operation a paste or drop of operation code 0 performs, from the
/// preferred effect: none means copy (1); 4 (link) stays 4; any other value
/// loses its link bit (5 becomes 1, 6 becomes 2).
std::uint32_t OperationFromPreferred(std::optional<std::uint32_t> preferred);

/// The effect reported for an operation code: 3 (copy or move) is reported
/// as 1; others as they are.
std::uint32_t ReportedEffect(std::uint32_t operation);

// -- Drop effects ----------------------------------------------------------------------

/// The MK_ key state that stands for a wanted effect when a transfer is
/// handed to a drop target: move = left button + Shift, copy = left button
/// + Ctrl, link = left button + Shift + Ctrl, anything else the left button
/// alone.
std::uint32_t KeyStateForOperation(std::uint32_t operation);

/// The MK_ key state of Qt's buttons and modifiers (Alt as MK_ALT).
std::uint32_t KeyStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

/// The effect a drop onto a folder has, as the desktop computes it: Ctrl +
/// Shift link, Shift move, Ctrl copy; without either, move within one
/// volume and copy across volumes. When that effect is not among `allowed`,
/// the first allowed of copy, move and link; 0 when none is allowed.
std::uint32_t ShellDropEffect(std::uint32_t keyState, std::uint32_t allowed, bool sameVolume);

/// Whether two paths lie on one file system (st_dev of stat(2), so a link
/// counts where it points); false when either can't be stat'ed.
bool SameVolume(const QString& a, const QString& b);

// -- Other programs' data ------------------------------------------------------------

/// A data object over a snapshot of MIME data (the clipboard of another
/// program, a drop from another window): the bytes of the formats a transfer
/// reads (the shell formats of ClipFormats.h, the file list and the
/// copied-files formats) are copied at construction, so the object stays
/// valid when the source changes; other formats (images, rich text) are not
/// fetched at all.
class MimeDataObject : public ShellDataObject {
public:
    explicit MimeDataObject(const QMimeData& mime);
    QStringList Formats() const override { return m_formats; }
    QByteArray GetData(const QString& mime) const override;

private:
    QStringList m_formats;
    QList<QByteArray> m_bytes;
};

/// A data object over another one with formats of its own set on top (the
/// preferred effect a copy or cut stores): SetData replaces or adds, the
/// file group formats pass through to the inner object.
class OverlayDataObject : public ShellDataObject {
public:
    explicit OverlayDataObject(std::unique_ptr<ShellDataObject> inner);
    void SetData(const QString& mime, const QByteArray& bytes);
    QStringList Formats() const override;
    QByteArray GetData(const QString& mime) const override;
    std::optional<std::vector<FileDescriptor>> GetFileGroupDescriptor() const override;
    std::unique_ptr<QIODevice> GetFileContents(int index) const override;
    const ShellDataObject& Inner() const { return *m_inner; }

private:
    std::unique_ptr<ShellDataObject> m_inner;
    QStringList m_names;
    QList<QByteArray> m_bytes;
};

/// A new QMimeData for other programs (and Qt's drag and drop): every byte
/// format of `data` except the in-process file-contents ones, and, when it
/// carries file paths, text/uri-list, x-special/gnome-copied-files ("cut"
/// when `effect` is a move) and application/x-kde-cutselection ("1" for a
/// move, "0" otherwise); with `effect` not 0 also the preferred drop effect.
QMimeData* ToMimeData(const ShellDataObject& data, std::uint32_t effect);
/// As above, for data that lives on with the MIME data: when it carries its
/// items only as contents streams (the entries of an archive), the result
/// is a ContentsMimeData, which offers other programs the file list of
/// temporary copies made when they ask for it.
QMimeData* ToMimeData(std::shared_ptr<const ShellDataObject> data, std::uint32_t effect);
