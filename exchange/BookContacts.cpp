#include "exchange/BookContacts.h"
#include "text/Charset.h"

namespace {

std::string Utf8Of(const char* sjis)
{
    return sjis ? Charset::SjisToUtf8(sjis) : std::string();
}

}  // namespace

// Walks the book in pre-order without recursion, keeping the names of the open folders.
ContactList ContactsOfBook(const ADTDATA* book)
{
    ContactList list;
    std::vector<std::string> folders;
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
            AddContact(list, std::move(contact));
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
