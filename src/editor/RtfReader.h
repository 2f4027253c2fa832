#pragma once
// A small reader of rich text (RTF) for the viewer: paragraphs and line
// breaks, tabs, bold, italic, underline, font size, "\'hh" bytes (read in
// the document's code page, Windows-1252 unless "\ansicpg" says otherwise)
// and "\uN" characters with their "\ucN" fallbacks. Destinations it does not
// show (font and colour tables, style sheets, document information, pictures
// and every "\*" group) are skipped. Anything else is ignored, so a damaged
// file still shows its text.

#include <QByteArray>

class QTextDocument;

/// Fills `document` (cleared first) from the RTF in `rtf`. False when `rtf`
/// does not start with "{\rtf" (the document is then left empty).
bool ReadRtf(const QByteArray& rtf, QTextDocument& document);
