// Reads the contacts of a vCard file, versions 2.1, 3.0 and 4.0. A person's card gives its
// name (FN, else N composed in the order of its script, else ORG, else NICKNAME), its mail
// addresses (EMAIL, the preferred first) and its folders (every CATEGORIES entry, the
// docomo/au group X-GN). A group card (4.0 KIND:group, Apple's 3.0
// X-ADDRESSBOOKSERVER-KIND:group) gives one list of its members' addresses: MEMBER
// mailto: addresses, or the preferred address of the card a member UID names. A BEGIN:VCARD
// inside an open card ends that card as incomplete, unless it follows an empty AGENT
// property (version 2.1 writes the agent's card there), which is skipped. Each value's
// character set is decided by itself (VCardText). Contacts are handed on in the order of
// the file, but groups whose members are named by UID come last, once every card is read.
// Used by the import.
#pragma once
#include <string>
#include <unordered_map>
#include <vector>
#include "exchange/Contact.h"
#include "exchange/VCardLines.h"
#include "exchange/VCardText.h"

class CVCardReader {
public:
    static ContactList Read(const std::string& bytes);
    // Hands each contact to sink; the list returned holds the counts and no contacts.
    static ContactList Read(const std::string& bytes, IContactSink& sink);

private:
    // A value as written, kept when it decodes by itself (CVCardText::DecodesByItself): the
    // same value written again needs no decoding, for its text is the one decoded last, and
    // a value decoded later gives the text it would have given at once.
    struct WrittenValue {
        std::string value, charset;
        VCardProperty::Encoding encoding = VCardProperty::kPlain;
        bool kept = false;

        bool Is(const VCardProperty& property) const;
        void Keep(const VCardProperty& property, bool decodesByItself);
    };

    // The card being read. Its buffers are kept from card to card.
    struct Card {
        Contact contact;              // its name is FN's
        std::vector<int> ranks;       // the preference of each address, 101 for none
        bool anyPreference = false;
        std::string composedName, organisation, nickname;  // stand-ins for a missing FN
        std::string nameValue;  // N's value, decoded, still escaped
        bool hasName = false;
        // N's value as written, when it decodes by itself: decoded only if the card has no FN.
        WrittenValue writtenName;
        std::vector<std::string> spareAddresses;  // the room of the last card's addresses
        std::string uid;
        std::vector<std::string> memberIds;  // members named by UID
        std::vector<std::string> memberAddresses;
        bool hasMembers = false;
        bool hasOrganisation = false;  // ORG and NICKNAME hold text, which a book keeps only as the name
        bool hasNickname = false;

        void Clear();
    };

    CVCardReader(const std::string& text, CVCardText::Source source, IContactSink& sink);
    static ContactList ReadText(const std::string& text, CVCardText::Source source, IContactSink& sink);

    void ReadAll();
    void OnProperty(const VCardProperty& property);
    void OnBegin(bool noBegin);
    void OnCardProperty(const VCardProperty& property);
    void OnName(const VCardProperty& property);
    static std::string ComposedName(const std::string& value);
    void OnCategories(const VCardProperty& property);
    void OnPhoneGroup(const VCardProperty& property);
    void OnEmail(const VCardProperty& property);
    void OnMember(const VCardProperty& property);
    void EndCard(bool complete);
    void NoteIncomplete();
    void NotKeptIf(const VCardProperty& property, unsigned kind, bool applies = true);
    void ResolveMembers();

    CVCardLines m_Lines;
    CVCardText m_Text;
    IContactSink& m_Sink;
    bool m_bStopped = false;    // the sink refused a contact
    bool m_bInCard = false;
    bool m_bNoBegin = false;    // the card began without BEGIN:VCARD
    size_t m_nCardStart = 0;    // where the card's first line is in the text
    const std::string& m_rText;
    CVCardText::Source m_Source;
    bool m_bAgentOpen = false;  // the last property was an empty AGENT: a card may follow
    int m_nSkipDepth = 0;       // inside an agent's card, which is skipped
    Card m_Card;
    ContactList m_List;
    // The preferred address of each card by its UID, gathered by a second reading when the
    // file has groups whose members are named by UID; that reading hands on no contact.
    bool m_bKeepUids = false;
    std::unordered_map<std::string, std::string> m_AddressByUid;
    std::vector<Card> m_Groups;  // groups whose members are named by UID, resolved at the end
    std::string m_Value;  // the value being decoded
    // The last CATEGORIES value and its paths: contacts of one folder mostly come together.
    std::string m_LastCategories;
    std::vector<std::vector<std::string>> m_LastPaths;
    std::string m_LastGroup;  // the same for the phones' group
    std::vector<std::string> m_LastGroupPath;
    WrittenValue m_LastWrittenCategories;
    WrittenValue m_LastWrittenGroup;
};
