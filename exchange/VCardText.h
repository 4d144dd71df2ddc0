// The text of vCard values: each value's character set is decided by itself, and the
// escapes of vCard text are undone. A value with CHARSET is read in that set (UTF-8,
// Shift-JIS, ISO-2022-JP, EUC-JP, ISO-8859-1 read as Windows-1252); escape sequences make
// it ISO-2022-JP. A value without CHARSET is UTF-8 in versions 3.0 and 4.0 when it is valid
// UTF-8 (their default); otherwise its code is guessed from its own bytes (CCharsetGuess),
// favouring UTF-8 in versions 3.0 and 4.0 and, in version 2.1 (which has no default;
// Japanese phones write Shift-JIS), Shift-JIS unless the file is marked as UTF-8 (a
// byte-order mark, or CHARSET=UTF-8 on a value read before). Used by the vCard reader.
#pragma once
#include <string>
#include <vector>
#include "exchange/VCardLines.h"

class CVCardText {
public:
    enum Source {
        kBytes,       // the file's own bytes
        kUtf8Marked,  // UTF-8 after a byte-order mark
        kUtf16,       // UTF-16, already turned into UTF-8
    };

    // fileText is the text that the values being decoded lie in, unchanged while they are.
    CVCardText(Source source, std::string_view fileText) : m_Source(source), m_FileText(fileText) {}

    // The version of the card being read: 21, 30, 40, or 0 when not (yet) given.
    void SetVersion(int version) { m_nVersion = version; }
    int Version() const { return m_nVersion; }

    // The value as UTF-8 text, still escaped, into out.
    void Decode(const VCardProperty& property, std::string& out);
    std::string Decode(const VCardProperty& property);
    // Whether Decode makes the property's text of its value, charset and encoding alone and
    // changes nothing else (no guess is made and counted): then the same written value
    // gives the same text again.
    bool DecodesByItself(const VCardProperty& property) const;
    // What Decode learns from a property about the values after it (whether the file says
    // UTF-8), without decoding it.
    void NoteCharset(const VCardProperty& property);

    // The escapes of vCard text: "\\", "\,", "\;", "\:" and "\n" (a line end). Any other
    // backslash is kept.
    static std::string Unescape(const std::string& text);
    static void UnescapeInPlace(std::string& text);
    // The parts of text cut at each separator that no backslash escapes; still escaped.
    static std::vector<std::string> Split(const std::string& text, char separator);

    // Values whose code was guessed and another code read almost as well.
    int CloseGuesses() const { return m_nCloseGuesses; }

private:
    Source m_Source;
    std::string_view m_FileText;
    int m_nVersion = 0;
    bool m_bSawUtf8 = false;  // a value said CHARSET=UTF-8
    std::string m_Converted;  // room for a conversion, kept from value to value
    int m_nCloseGuesses = 0;
    mutable std::string m_LastCharsetText;  // the last CHARSET asked about, and its set
    mutable int m_nLastCharset = -1;
    mutable const char* m_pLastCharsetAt = nullptr;  // where that CHARSET was written in the file's text

    int CharsetNumber(std::string_view written) const;

    bool FileIsMarkedUtf8();
    void DecodeWithoutCharset(std::string& text);
};
