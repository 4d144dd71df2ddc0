// Cuts vCard text into its properties, each parsed once: lines end at CR LF, LF or CR; a
// line that begins with a blank or a tab continues the one before (folding), and so does
// the line after a QUOTED-PRINTABLE value that ends in "=" (a soft line break), unless
// that line opens or ends a card. Values stay as written: still encoded and escaped, but the
// value of a photo, a note, a telephone number, a postal address or an unknown property is
// its first line alone (the reader only notes that the card had one).
// Used by the vCard reader.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct VCardProperty {
    enum Encoding { kPlain, kQuotedPrintable, kBase64 };
    // The properties that the reader looks at; kOther for the rest.
    enum Kind {
        kOther, kBegin, kEnd, kVersion, kFormattedName, kName, kOrganisation, kNickname, kEmail,
        kCategories, kPhoneGroup, kUid, kAgent, kKind, kMember, kPhone, kPostalAddress, kNote, kPhoto,
        kReading, kSound, kTitle, kBirthday, kWebPage, kMessenger,
    };

    Kind kind = kOther;            // by the name, without a group prefix ("item1."), in any case
    std::string_view value;        // as written
    std::string_view charset;      // as written; empty when not given
    Encoding encoding = kPlain;
    int preference = 0;            // 1 (most preferred) to 100 from PREF=n, TYPE=pref or PREF; 0 for none
    bool nameReading = false;      // X-IRMC-N: SOUND holds the reading of the name (Japanese phones)

    // True for "BEGIN:VCARD" (kBegin) or "END:VCARD" (kEnd).
    bool IsCardDelimiter(Kind delimiter) const;
};

class CVCardLines {
public:
    explicit CVCardLines(std::string_view text) : m_Text(text) {}

    // The next property; false at the end of the text. Lines without a ":" are passed over.
    bool Next(VCardProperty& property);

    size_t Size() const { return m_Text.size(); }
    // Where the last property's first line begins in the text.
    size_t PropertyStart() const { return m_nPropertyStart; }
    // The number of the line (from 1) that holds offset, counting line ends as Next does.
    static size_t LineNumberAt(std::string_view text, size_t offset);

    // Version 2.1 keeps the blank that begins a folded line; later versions drop it.
    void KeepFoldBlank(bool keep) { m_bKeepFoldBlank = keep; }

    // True when line is "BEGIN:VCARD" or "END:VCARD" (any case, blanks around).
    static bool IsCardDelimiter(std::string_view line);

private:
    std::string_view m_Text;
    size_t m_nPos = 0;
    size_t m_nPropertyStart = 0;
    bool m_bKeepFoldBlank = false;
    std::string m_Joined;  // a property of several physical lines
    // The line that ended the last property of several lines: the next one's first line.
    struct PeekedLine {
        size_t at = 0, next = 0;
        std::string_view line;
    } m_Peeked;
    // Heads met before ("NAME;PARAM...:" as the first line of a property wrote it, in the
    // text) with what ParseHead made of them: a phone writes the same few heads on every
    // card, and a head's bytes alone decide its parse. Sets of a few found by the head's
    // first four bytes, and each with the head that followed it last time.
    struct KnownHead {
        std::string_view head;
        VCardProperty property;
        uint8_t next = 0;
    };
    static const size_t kHeadSets = 32;
    static const size_t kHeadWays = 4;
    static_assert(kHeadSets * kHeadWays <= 256, "a head's follower is a byte");
    static const size_t kNoHead = kHeadSets * kHeadWays;
    std::vector<KnownHead> m_KnownHeads;
    uint8_t m_NextWay[kHeadSets] = {};
    size_t m_nLastHead = kNoHead;  // the head of the last property, when known

    std::string_view LineAt(size_t pos, size_t& next) const;
    size_t LastLineStart(size_t begin, size_t offset) const;
    bool JoinLines(std::string_view text, bool headKnown, VCardProperty& property, size_t& valueStart);
    bool ParseFirstLineHead(std::string_view line, VCardProperty& property, size_t& valueStart);
    bool TakeKnownHead(size_t index, std::string_view line, VCardProperty& property, size_t& valueStart);
    void FollowHead(size_t index);
    static bool ParseHead(std::string_view line, VCardProperty& property, size_t& valueStart);
    static void ParseParameter(std::string_view parameter, VCardProperty& property);
};
