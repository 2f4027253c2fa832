#include "platform/namespace/NameCodec.h"

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool IsEscape(char16_t c) {
    return c >= 0xDC80 && c <= 0xDCFF;
}

// Length of the valid UTF-8 sequence at p (at most end - p bytes), or 0 when
// the bytes there do not form one. Overlong forms, encoded surrogates and
// values above U+10FFFF are invalid, as the standard requires.
int ValidSequenceLength(const unsigned char* p, const unsigned char* end, char32_t& cp) {
    const unsigned char b0 = p[0];
    int len;
    char32_t min;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (end - p < len)
        return 0;
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

}  // namespace

QString NameFromBytes(const char* bytes, qsizetype length) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    const auto* end = p + length;
    bool ascii = true;
    for (const auto* q = p; q < end; ++q) {
        if (*q >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return QString::fromLatin1(bytes, length);

    QString out;
    out.reserve(length);
    while (p < end) {
        char32_t cp;
        const int len = ValidSequenceLength(p, end, cp);
        if (len == 0) {
            out.append(QChar(char16_t(kEscapeBase + *p)));
            ++p;
            continue;
        }
        if (cp >= 0x10000) {
            out.append(QChar(QChar::highSurrogate(cp)));
            out.append(QChar(QChar::lowSurrogate(cp)));
        } else {
            out.append(QChar(char16_t(cp)));
        }
        p += len;
    }
    return out;
}

QString NameFromBytes(const QByteArray& bytes) {
    return NameFromBytes(bytes.constData(), bytes.size());
}

QByteArray NameToBytes(const QString& name) {
    QByteArray out;
    out.reserve(name.size());
    const char16_t* s = reinterpret_cast<const char16_t*>(name.utf16());
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = s[i];
        if (c < 0x80) {
            out.append(char(c));
            continue;
        }
        if (IsEscape(char16_t(c))) {
            out.append(char(c - kEscapeBase));
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            c = QChar::surrogateToUcs4(char16_t(c), s[i + 1]);
            ++i;
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD;  // A lone surrogate that is not one of ours.
        }
        if (c < 0x800) {
            out.append(char(0xC0 | (c >> 6)));
            out.append(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.append(char(0xE0 | (c >> 12)));
            out.append(char(0x80 | ((c >> 6) & 0x3F)));
            out.append(char(0x80 | (c & 0x3F)));
        } else {
            out.append(char(0xF0 | (c >> 18)));
            out.append(char(0x80 | ((c >> 12) & 0x3F)));
            out.append(char(0x80 | ((c >> 6) & 0x3F)));
            out.append(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

bool NameHasEscapes(const QString& name) {
    for (QChar c : name) {
        if (IsEscape(c.unicode()))
            return true;
    }
    return false;
}

QString DisplayFromName(const QString& name) {
    if (!NameHasEscapes(name))
        return name;
    QString out = name;
    for (QChar& c : out) {
        if (IsEscape(c.unicode()))
            c = QChar(0xFFFD);
    }
    return out;
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<QByteArray> PercentDecode(const QByteArray& text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c != '%') {
            out += c;
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = HexDigit(text.at(i + 1));
        const int low = HexDigit(text.at(i + 2));
        if (high < 0 || low < 0)
            return std::nullopt;
        out += char(high * 16 + low);
        i += 2;
    }
    if (out.contains('\0'))
        return std::nullopt;
    return out;
}
