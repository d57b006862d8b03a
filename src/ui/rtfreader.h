// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A reader for the small part of RTF our hand-written text files use: groups,
// bold, italic, underline, sizes, colours, fonts, alignment, paragraphs, and
// Cyrillic written as Windows-1251 bytes or as \uN characters.

#include <QByteArrayView>

class QTextDocument;

namespace qx {

// Larger input is refused outright; callers read at most this many bytes.
inline constexpr qsizetype MaxRtfBytes = 64 * 1024;

// A text changes its look (bold, colour, size, ...) at most this many times; after that it goes on
// in the look it has. A change of look at every character of a large file would take the text box
// seconds to lay out and draw.
inline constexpr int MaxRtfLooks = 2000;

// Clears `doc` and fills it with the text and formatting of `rtf`.
//
// Returns false, with an empty document, for input that does not start with
// "{\rtf" or is larger than MaxRtfBytes. Returns false as well when the input
// ends before its outermost group closes; the document then keeps whatever was
// read. Whatever the input, reading takes time linear in its size.
bool ReadRtf(QByteArrayView rtf, QTextDocument* doc);

} // namespace qx
