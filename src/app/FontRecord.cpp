#include "app/FontRecord.h"

#include <QFontDatabase>
#include <QFontInfo>

#include "platform/store/ProfileStore.h"

namespace {

const QString kHeight = QStringLiteral("nHeight");
const QString kBold = QStringLiteral("bBold");
const QString kItalic = QStringLiteral("bItalic");
const QString kUnderline = QStringLiteral("bUnderline");
const QString kCharSet = QStringLiteral("nCharSet");
const QString kPitchAndFamily = QStringLiteral("nPitchAndFamily");
const QString kFaceName = QStringLiteral("szFaceName");

// Pitch and family bits as the text control knows them.
constexpr std::uint8_t kFixedPitch = 0x01;
constexpr std::uint8_t kVariablePitch = 0x02;
constexpr std::uint8_t kFamilyRoman = 0x10;
constexpr std::uint8_t kFamilySwiss = 0x20;
constexpr std::uint8_t kFamilyModern = 0x30;
constexpr std::uint8_t kFamilyScript = 0x40;
constexpr std::uint8_t kFamilyDecorative = 0x50;

// Qt 6 weights are already on the 100..900 scale the bold rule uses.
constexpr int kBoldAbove = 500;

std::uint8_t PitchAndFamilyOf(const QFont& font) {
    std::uint8_t family = 0;
    switch (font.styleHint()) {
        case QFont::Serif:
            family = kFamilyRoman;
            break;
        case QFont::SansSerif:
            family = kFamilySwiss;
            break;
        case QFont::TypeWriter:
        case QFont::Monospace:
            family = kFamilyModern;
            break;
        case QFont::Cursive:
            family = kFamilyScript;
            break;
        case QFont::Decorative:
        case QFont::Fantasy:
            family = kFamilyDecorative;
            break;
        default:
            break;
    }
    const bool fixed = QFontInfo(font).fixedPitch();
    if (fixed && family == 0)
        family = kFamilyModern;
    return std::uint8_t(family | (fixed ? kFixedPitch : kVariablePitch));
}

QFont SystemFixedFont() {
    return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

}  // namespace

QString CharFormat::FaceName() const {
    return QString::fromUtf8(faceName.data(),
                             qsizetype(qstrnlen(faceName.data(), faceName.size())));
}

void CharFormat::SetFaceName(const QString& name) {
    faceName.fill('\0');
    QByteArray bytes;
    int characters = 0;
    qsizetype i = 0;
    while (i < name.size() && characters < kMaxFaceNameLength) {
        // A surrogate pair is one character and is never split.
        const qsizetype n =
            name[i].isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        const QByteArray next = name.mid(i, n).toUtf8();
        if (bytes.size() + next.size() > qsizetype(faceName.size()) - 1)
            break;
        bytes += next;
        i += n;
        ++characters;
    }
    std::copy(bytes.cbegin(), bytes.cend(), faceName.begin());
}

CharFormat CharFormatFromFont(const QFont& font) {
    CharFormat format;
    format.mask = CharFormat::kMaskAll;
    if (font.weight() > kBoldAbove)
        format.effects |= CharFormat::kEffectBold;
    if (font.italic())
        format.effects |= CharFormat::kEffectItalic;
    if (font.underline())
        format.effects |= CharFormat::kEffectUnderline;
    const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
    format.height = qRound(points * 20);
    format.charSet = CharFormat::kDefaultCharSet;
    format.pitchAndFamily = PitchAndFamilyOf(font);
    format.SetFaceName(font.family());
    return format;
}

QFont FontFromCharFormat(const CharFormat& format) {
    QFont font = SystemFixedFont();
    if (format.mask & CharFormat::kMaskFace) {
        const QString face = format.FaceName();
        if (!face.isEmpty() && face != kSystemFaceName) {
            font.setFamilies({face});
            font.setFixedPitch(format.pitchAndFamily & kFixedPitch);
        }
    }
    if ((format.mask & CharFormat::kMaskSize) && format.height > 0)
        font.setPointSizeF(format.height / 20.0);
    if (format.mask & CharFormat::kMaskBold)
        font.setWeight(format.Bold() ? QFont::Bold : QFont::Normal);
    if (format.mask & CharFormat::kMaskItalic)
        font.setItalic(format.Italic());
    if (format.mask & CharFormat::kMaskUnderline)
        font.setUnderline(format.Underline());
    return font;
}

CharFormat ReadFontRecord(const ProfileStore& store, const QString& section) {
    const int height = store.GetProfileInt(section, kHeight, 0);
    if (height == 0) {
        CharFormat format = CharFormatFromFont(SystemFixedFont());
        format.height = kSystemFontHeightTwips;
        return format;
    }
    CharFormat format;
    format.mask = CharFormat::kMaskAll;
    format.height = height;
    if (store.GetProfileInt(section, kBold, 0) != 0)
        format.effects |= CharFormat::kEffectBold;
    if (store.GetProfileInt(section, kItalic, 0) != 0)
        format.effects |= CharFormat::kEffectItalic;
    if (store.GetProfileInt(section, kUnderline, 0) != 0)
        format.effects |= CharFormat::kEffectUnderline;
    format.charSet =
        std::uint8_t(store.GetProfileInt(section, kCharSet, CharFormat::kDefaultCharSet));
    format.pitchAndFamily = std::uint8_t(store.GetProfileInt(section, kPitchAndFamily, 0));
    format.SetFaceName(store.GetProfileString(section, kFaceName, kSystemFaceName));
    return format;
}

void WriteFontRecord(ProfileStore& store, const QString& section, const CharFormat& format) {
    if (format.height == 0)
        return;
    store.WriteProfileInt(section, kHeight, format.height);
    store.WriteProfileInt(section, kBold, format.Bold());
    store.WriteProfileInt(section, kItalic, format.Italic());
    store.WriteProfileInt(section, kUnderline, format.Underline());
    store.WriteProfileInt(section, kCharSet, format.charSet);
    store.WriteProfileInt(section, kPitchAndFamily, format.pitchAndFamily);
    store.WriteProfileString(section, kFaceName, format.FaceName());
}
