// Edits of one book written as a short script, so that two processes can make them on one
// book file in the tests: ops separated by ";", each one of
//   add:NAME=ADDRESS>FOLDER   a new address last in FOLDER ("" for the book's top level)
//   text:NAME=ADDRESS         the address text of NAME replaced (the address dialog's edit)
//   rename:NAME=NEW           NAME renamed
//   del:NAME                  NAME deleted
//   move:NAME>FOLDER          NAME moved (as a drag moves it) first into FOLDER, or last at
//                             the top level when FOLDER is ""
//   delbook:                  the book itself deleted (the script ends there)
// Names are unique within the test's book.
#pragma once
#include <string>
#include "store/AddrBook.h"

inline ADTDATA* FindInBook(ADTDATA* book, const std::string& name)
{
    for (ADTDATA* node = book->pChild; node; node = NextPreOrder(node, book)) {
        if (node->psName && name == node->psName)
            return node;
    }
    return nullptr;
}

inline void ApplyEdits(CAddrBook& store, ADTDATA* book, const std::string& script)
{
    size_t start = 0;
    while (start < script.size()) {
        size_t end = script.find(';', start);
        std::string op = script.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? script.size() : end + 1;
        std::string verb = op.substr(0, op.find(':'));
        std::string rest = op.substr(verb.size() + 1);
        size_t equals = rest.find('=');
        size_t at = rest.find('>');
        std::string name = rest.substr(0, std::min(equals, at));
        std::string value = equals == std::string::npos ? "" : rest.substr(equals + 1, at == std::string::npos ? at : at - equals - 1);
        std::string folderName = at == std::string::npos ? "" : rest.substr(at + 1);
        ADTDATA* folder = folderName.empty() ? book : FindInBook(book, folderName);
        ADTDATA* node = FindInBook(book, name);
        if (verb == "delbook") {
            store.DeleteData(book);
            return;
        }
        if (verb == "add") {
            node = store.AddData(ADT_ADDR, name.c_str(), value.c_str(), folder, PLACE_CHILD);
        } else if (verb == "text") {
            store.ReplaceAddr(node, value.c_str());
        } else if (verb == "rename") {
            store.ReplaceName(node, value.c_str());
        } else if (verb == "del") {
            store.DeleteData(node);
            node = book;
        } else if (verb == "move") {
            store.DetachData(node);
            if (folder != book && folder->pChild)
                store.AttachData(node, folder->pChild, PLACE_BEFORE);
            else
                store.AttachData(node, folder, PLACE_CHILD);
        }
        store.SetModified(node);
    }
}
