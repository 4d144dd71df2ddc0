// What the vCard and CSV writers share: the bytes they append to, the folder paths of the
// contact (looked at again only when they change, as the contacts of one folder come
// together) and the parts of its name. The export drives either writer a contact at a
// time through this class (ExportBook).
#pragma once
#include <string>
#include <vector>
#include "exchange/Contact.h"
#include "exchange/OutBytes.h"
#include "exchange/PersonName.h"

class CContactWriter {
public:
    explicit CContactWriter(COutBytes& out) : m_Out(out) {}
    virtual ~CContactWriter() = default;
    CContactWriter(const CContactWriter&) = delete;
    CContactWriter& operator=(const CContactWriter&) = delete;

    // Appends the contact to the bytes.
    virtual void Add(const Contact& contact) = 0;
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
    bool FoldersChanged(const Contact& contact);
    // The parts of the contact's name (none for a group), valid until the next call.
    const PersonName& NameParts(const Contact& contact);

private:
    std::vector<std::string> m_LastFolders;
    std::vector<std::vector<std::string>> m_LastMoreFolders;
    PersonName m_Parts;
};
