// Reads the contacts of a vCard file, versions 2.1, 3.0 and 4.0: folded lines,
// QUOTED-PRINTABLE values with soft line breaks, CHARSET parameters (UTF-8, Shift_JIS,
// ISO-8859-1) and escaped characters. FN, else N, is a contact's name, every EMAIL one of
// its addresses, and its first CATEGORIES entry its folder path. A value without CHARSET
// is UTF-8 when the whole file is, else Shift-JIS. Used by the import.
#pragma once
#include <string>
#include <vector>
#include "exchange/Contact.h"

class CVCardReader {
public:
    static ContactList Read(const std::string& bytes);

private:
    struct Property {
        std::string name;      // upper case, without a group prefix ("item1.")
        std::string value;     // as written: still encoded and escaped
        std::string charset;   // upper case; empty when not given
        std::string encoding;  // upper case; empty when not given
    };

    explicit CVCardReader(bool utf8) : m_bUtf8(utf8) {}

    void ReadLines(const std::string& text);
    void OnPhysicalLine(const std::string& line);
    void LearnEncoding();
    void FlushLine();
    void OnLine(const std::string& line);
    void OnProperty(const Property& property);
    void EndCard();
    std::string DecodeValue(const Property& property) const;

    static std::string NextLine(const std::string& text, size_t& pos);
    static bool ParseProperty(const std::string& line, Property& property);

    bool m_bUtf8;                   // values without CHARSET are UTF-8 (else Shift-JIS)
    bool m_bKeepFoldBlank = false;  // version 2.1: a folded line keeps its leading blank
    int m_nDepth = 0;               // open BEGIN:VCARD lines; an embedded card (2.1 AGENT) is skipped

    // The property being joined from its physical lines.
    std::string m_strLine;
    bool m_bPending = false;
    bool m_bHeadKnown = false;
    bool m_bQuotedPrintable = false;

    // The card being read.
    Contact m_Card;
    std::string m_strFormattedName;
    std::string m_strComposedName;
    bool m_bHasCategory = false;
    ContactList m_List;
};
