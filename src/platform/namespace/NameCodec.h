#pragma once
// File names are bytes on Linux. Corvane keeps them in QStrings so that the
// whole program can use Qt's string type, but decodes them losslessly: valid
// UTF-8 becomes the characters it encodes, and every byte that is not part of
// a valid sequence becomes the lone surrogate U+DC00 + byte (the scheme known
// as "surrogate escape"). NameToBytes() reverses it exactly, so a name that is
// not valid UTF-8 can still be listed, compared, copied, renamed and deleted.
//
// Paths handed to the kernel must go through NameToBytes(); Qt's own file
// classes would turn the escapes into '?'.

#include <QByteArray>
#include <QString>
#include <optional>

/// Decodes raw name bytes. Cost: one pass; ASCII names take a fast path.
QString NameFromBytes(const char* bytes, qsizetype length);
QString NameFromBytes(const QByteArray& bytes);

/// Encodes a name or path decoded by NameFromBytes() back to the same bytes.
/// Characters that are not escapes are encoded as UTF-8.
QByteArray NameToBytes(const QString& name);

/// The text to show for a name: escapes become U+FFFD. Returns the same
/// (shared) string when there is nothing to replace.
QString DisplayFromName(const QString& name);

/// True when the name holds escaped bytes (it was not valid UTF-8).
bool NameHasEscapes(const QString& name);

/// Undoes the percent-encoding of a URI path or a .trashinfo "Path=" value:
/// "%2F" and the like become their bytes. nullopt for a "%" not followed by
/// two hex digits, and for a NUL byte (no path holds one). Cost: one pass.
std::optional<QByteArray> PercentDecode(const QByteArray& text);
