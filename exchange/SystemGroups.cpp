#include "exchange/SystemGroups.h"
#include "store/AsciiText.h"

bool IsGoogleSystemGroup(const std::string& name)
{
    static const char* const kAsWritten[] = {"myContacts", "starred", "friends", "family", "coworkers"};
    for (const char* group : kAsWritten) {
        if (name == group)
            return true;
    }
    return EqualNoCase(name, "My Contacts") || EqualNoCase(name, "Starred in Android");
}

bool IsGoogleSystemLabel(const std::string& label)
{
    size_t first = label.find_first_not_of(" \t");
    return first != std::string::npos && label[first] == '*';
}
