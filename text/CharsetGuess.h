// Guesses the character set of text that does not declare one: a vCard value without
// CHARSET, a CSV or address file without a byte-order mark. Each of UTF-8, Shift-JIS (code
// page 932), EUC-JP and Windows-1252 reads the bytes, and the reading that looks most like
// the text of an address book wins: every character costs by how rare it is there (common
// kanji, kana and Latin letters little; rare kanji, half-width punctuation, other scripts,
// control characters more; a byte sequence the code does not have the most), and the
// cheapest reading is taken. The caller may favour one code that its context makes likely
// (version 2.1's Shift-JIS, version 3.0's UTF-8) by a small head start. A guess whose
// runner-up came close is marked so, for the import's summary. Used by the vCard and CSV
// readers and by the detection of a file's format.
#pragma once
#include <string>
#include <string_view>

enum class TextCode { kUtf8, kShiftJis, kEucJp, kWindows1252 };

class CCharsetGuess {
public:
    struct Result {
        TextCode code = TextCode::kUtf8;
        bool close = false;  // another code read the text almost as well
    };

    explicit CCharsetGuess(TextCode favoured = TextCode::kShiftJis) : m_Favoured(favoured) {}

    // The code that reads bytes best. Text of ASCII alone is UTF-8 and never close. A long
    // text is judged by its head, as far as the evidence is still open.
    Result Guess(std::string_view bytes) const;

    // bytes read in code, as UTF-8 (a sequence the code does not have is U+FFFD).
    static std::string Decode(const std::string& bytes, TextCode code);

private:
    TextCode m_Favoured;
};
