// UTF-8, UTF-16 and Shift-JIS texts of the exchange formats (vCard and CSV files). The
// readers turn whatever a file holds into UTF-8 with these, the writers turn the store's
// Shift-JIS into UTF-8. A malformed sequence becomes U+FFFD, which Shift-JIS cannot hold,
// so it is replaced and counted when the text reaches the store.
#pragma once
#include <string>
#include <string_view>

namespace Charset {

const char32_t kReplacement = 0xFFFD;

// The character of UTF-8 text at pos, moving pos past it; U+FFFD for a malformed
// sequence, of which one byte is taken.
char32_t NextUtf8(std::string_view text, size_t& pos);
void AppendUtf8(std::string& out, char32_t ch);
bool IsUtf8(const std::string& bytes);

// UTF-16 bytes from start on, little- or big-endian; an unpaired surrogate is U+FFFD.
std::string Utf16ToUtf8(const std::string& bytes, size_t start, bool bigEndian);
// Shift-JIS (code page 932) text; a byte pair without a character is U+FFFD.
std::string SjisToUtf8(const std::string& sjis);
// The same, appended to out.
void SjisToUtf8(std::string_view sjis, std::string& out);
// Windows-1252 (which Western programs write when they say ISO-8859-1): the bytes 0x80 to
// 0x9F are its punctuation and letters; the five it leaves out are U+FFFD.
std::string Windows1252ToUtf8(const std::string& bytes);
char32_t Windows1252Char(unsigned char b);
std::string Iso2022JpToUtf8(const std::string& bytes);
std::string EucJpToUtf8(const std::string& bytes);
// UTF-8 text with every malformed sequence replaced by U+FFFD.
std::string CleanUtf8(const std::string& bytes);

// A whole file as UTF-8: a byte-order mark says UTF-8 or UTF-16 (little- or big-endian);
// without one the code is guessed (CCharsetGuess: UTF-8, Shift-JIS, EUC-JP or
// Windows-1252), and close is set when the guess was close.
std::string FileTextToUtf8(const std::string& bytes, bool* close = nullptr);
// The same without a copy when the bytes are taken for UTF-8: bytes itself (where a stray
// byte is still there for the reader's NextUtf8 to make U+FFFD), else converted filled
// with the text.
const std::string& FileTextAsUtf8(const std::string& bytes, std::string& converted, bool* close = nullptr);

}  // namespace Charset
