#pragma once
// The font record: a character format kept as entries of one section
// ("nHeight" in twips, "bBold", "bItalic", "bUnderline", "nCharSet",
// "nPitchAndFamily", "szFaceName"). The editor keeps its font in it under
// "Editor Character Format".
//
// Depends only on the store and on Qt, not on the application object.

#include <QFont>
#include <QString>
#include <array>
#include <cstdint>

class ProfileStore;

/// A character format as the editor's text control takes it.
struct CharFormat {
    // Mask bits: which members are meaningful.
    static constexpr std::uint32_t kMaskBold = 0x00000001;
    static constexpr std::uint32_t kMaskItalic = 0x00000002;
    static constexpr std::uint32_t kMaskUnderline = 0x00000004;
    static constexpr std::uint32_t kMaskCharSet = 0x08000000;
    static constexpr std::uint32_t kMaskFace = 0x20000000;
    static constexpr std::uint32_t kMaskSize = 0x80000000;
    static constexpr std::uint32_t kMaskAll =
        kMaskBold | kMaskItalic | kMaskUnderline | kMaskCharSet | kMaskFace | kMaskSize;
    // Effect bits.
    static constexpr std::uint32_t kEffectBold = 1;
    static constexpr std::uint32_t kEffectItalic = 2;
    static constexpr std::uint32_t kEffectUnderline = 4;
    /// The character set that means "the default one".
    static constexpr std::uint8_t kDefaultCharSet = 1;
    /// Longest face name kept, in characters (the buffer holds 32 bytes with
    /// the terminator).
    static constexpr int kMaxFaceNameLength = 31;

    std::uint32_t mask = 0;
    std::uint32_t effects = 0;
    std::int32_t height = 0;  // twips; 0 = no font
    std::int32_t offset = 0;  // vertical offset, always 0 here
    std::uint8_t charSet = kDefaultCharSet;
    std::uint8_t pitchAndFamily = 0;
    /// UTF-8, always terminated; never a cut character.
    std::array<char, 32> faceName{};

    QString FaceName() const;
    /// Keeps at most 31 characters, and of those as many as fit whole in 31
    /// bytes of UTF-8.
    void SetFaceName(const QString& name);
    bool Bold() const { return effects & kEffectBold; }
    bool Italic() const { return effects & kEffectItalic; }
    bool Underline() const { return effects & kEffectUnderline; }
};

/// The face name that stands for the system's fixed-pitch font.
inline const QString kSystemFaceName = QStringLiteral("System");
/// The height of a font taken from the system: 200 twips (10 points).
constexpr int kSystemFontHeightTwips = 200;

/// The format stored in `section`. When "nHeight" is 0 or missing, the
/// system's fixed-pitch font (QFontDatabase::FixedFont) at 200 twips instead:
/// bold when its weight is above 500, its italic and underline, its family as
/// face name.
CharFormat ReadFontRecord(const ProfileStore& store, const QString& section);
/// Writes the seven entries; writes nothing at all when the height is 0.
void WriteFontRecord(ProfileStore& store, const QString& section, const CharFormat& format);

/// The format that describes a font (height from its point size).
CharFormat CharFormatFromFont(const QFont& font);
/// The font that a format describes; the face "System" is the system's
/// fixed-pitch font. Members the mask leaves out keep the system fixed font's
/// values.
QFont FontFromCharFormat(const CharFormat& format);
