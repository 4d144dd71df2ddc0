// What the vCard and CSV writers share: the bytes they append to, the folder paths of the
// contact (looked at again only when they change, as the contacts of one folder come
// together) and the parts of its name. The export drives either writer a contact at a
// time through this class (ExportBook), with views of the store's texts; a list of
// contacts read from a file goes through the same path.
#pragma once
#include <string>
#include <string_view>
#include <vector>
#include "exchange/Contact.h"
#include "exchange/ContactView.h"
#include "exchange/NameSplitter.h"
#include "exchange/OutBytes.h"

class CContactWriter {
public:
    explicit CContactWriter(COutBytes& out) : m_Out(out) {}
    virtual ~CContactWriter() = default;
    CContactWriter(const CContactWriter&) = delete;
    CContactWriter& operator=(const CContactWriter&) = delete;

    // Appends the contact to the bytes.
    void Add(const Contact& contact);
    // The same for a contact given as views (the export's, of the store's texts).
    virtual void AddView(const ContactView& contact) = 0;
    // Names of list members that the format had no place for.
    virtual int MemberNamesLeftOut() const { return 0; }

protected:
    COutBytes& m_Out;

    // The bytes of a whole list of contacts, written by a new Writer.
    template <typename Writer>
    static std::string WriteAll(const ContactList& list)
    {
        COutBytes out;
        Writer writer(out);
        for (const Contact& contact : list.contacts)
            writer.Add(contact);
        return out.Text();
    }

    // True when the contact's folder paths differ from those of the contact before (the
    // first contact's differ when it has any).
    bool FoldersChanged(const ContactView& contact);
    // The contact's folder paths that are not empty: its folders, then its further ones.
    static std::vector<const std::vector<std::string>*> PathsOf(const ContactView& contact);
    // The parts of the contact's name (none for a group), valid until the next call.
    const PersonNameView& NameParts(const ContactView& contact);

private:
    std::vector<std::string> m_LastFolders;
    std::vector<std::vector<std::string>> m_LastMoreFolders;
    CNameSplitter m_Splitter;
    PersonNameView m_NoParts;
    std::vector<std::string_view> m_Addresses;  // Add's views of a contact's addresses
};
