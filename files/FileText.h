// The encodings in which a file of ours may come back after another program saved it:
// Shift-JIS (code page 932, ours), UTF-8 with or without a byte-order mark, UTF-16 little-
// or big-endian with one. The book registry decodes a book file to Shift-JIS before it is
// loaded or merged (never compared byte by byte) and writes books back as Shift-JIS; the
// settings file is decoded the same way and written back in its own encoding, as the
// platform's profile functions do.
#pragma once
#include <string>

enum class TextEncoding { ShiftJis, Utf8Bom, Utf8, Utf16Le, Utf16Be };

// What bytes are: a byte-order mark decides; without one, text with bytes above 0x7F that
// is valid UTF-8 is UTF-8; anything else is Shift-JIS.
TextEncoding DetectTextEncoding(const std::string& bytes);

// The text of bytes in Shift-JIS, without a byte-order mark (a character that code page
// 932 cannot hold becomes "?"). Shift-JIS bytes come back unchanged.
std::string DecodeToShiftJis(const std::string& bytes, TextEncoding encoding);
// The Shift-JIS text in encoding, with its byte-order mark where it has one.
std::string EncodeFromShiftJis(const std::string& text, TextEncoding encoding);

enum class BookText {
    Whole,       // the text is a whole address file (now in Shift-JIS)
    Incomplete,  // it ends inside a line or inside a folder: cut short, never merged
};

// Prepares the bytes of a book file that someone else wrote for loading or for a merge:
// decoded to Shift-JIS in place, and checked to be whole.
BookText PrepareBookText(std::string& bytes);
