// Picks the mail address out of a text at a given character, for the address under the mouse
// pointer in the body. Works on UTF-16 text so that character positions are exact.
#pragma once
#include <string>

// The mail address that covers text[pos], or "" when there is none. An address is either a run
// of the characters addresses are written with (ASCII letters, digits and . _ % + - @) or the
// contents of a <...> pair on one line; either way it must have a part before and after "@".
std::string FindMailAddressAt(const std::wstring& text, size_t pos);
