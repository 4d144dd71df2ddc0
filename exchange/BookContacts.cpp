#include "exchange/BookContacts.h"
#include <algorithm>
#include "text/Charset.h"

namespace {

std::string Utf8Of(const char* sjis)
{
    return sjis ? Charset::SjisToUtf8(sjis) : std::string();
}

// Whether a node of one address joins the person of the node before it.
bool JoinsPerson(const Contact& person, const Contact& contact)
{
    return !person.isGroup && person.name == contact.name &&
           std::none_of(person.addresses.begin(), person.addresses.end(),
                        [&](const std::string& address) { return SameAddress(address, contact.addresses[0]); });
}

}  // namespace

// Walks the book in pre-order without recursion, keeping the names of the open folders.
ContactList ContactsOfBook(const ADTDATA* book)
{
    ContactList list;
    std::vector<std::string> folders;
    const ADTDATA* lastPerson = nullptr;  // the node that gave the last contact its last address
    const ADTDATA* node = book ? book->pChild : nullptr;
    while (node) {
        if (node->cType == ADT_FOLDER && node->pChild) {
            folders.push_back(Utf8Of(node->psName));
            node = node->pChild;
            continue;
        }
        if (node->cType == ADT_ADDR) {
            Contact contact;
            contact.name = Utf8Of(node->psName);
            AddAddresses(contact, Utf8Of(node->psAddr));
            contact.folders = folders;
            contact.isGroup = contact.addresses.size() > 1;
            bool joins = contact.addresses.size() == 1 && lastPerson && node->pPrev == lastPerson &&
                         JoinsPerson(list.contacts.back(), contact);
            if (joins) {
                list.contacts.back().addresses.push_back(contact.addresses[0]);
                lastPerson = node;
            } else if (contact.addresses.empty()) {
                ++list.nWithoutAddress;
                lastPerson = nullptr;
            } else {
                lastPerson = contact.isGroup ? nullptr : node;
                list.contacts.push_back(std::move(contact));
            }
        }
        while (node && !node->pNext) {
            node = node->pParent == book ? nullptr : node->pParent;
            if (node)
                folders.pop_back();
        }
        if (node)
            node = node->pNext;
    }
    return list;
}
