#include "exchange/PersonName.h"
#include "exchange/Contact.h"
#include "exchange/NameSplitter.h"

bool IsFamilyFirstScript(const std::string& text)
{
    return HasFamilyFirstCharacter(text);
}

std::string ComposeName(const std::string& given, const std::string& middle, const std::string& family)
{
    bool familyFirst = IsFamilyFirstScript(given) || IsFamilyFirstScript(family);
    const std::string* order[] = {&given, &middle, &family};
    if (familyFirst) {
        order[0] = &family;
        order[1] = &given;
        order[2] = &middle;
    }
    std::string name;
    for (const std::string* part : order) {
        // The part without blanks, tabs and line ends at either end.
        size_t begin = part->find_first_not_of(" \t\r\n");
        if (begin == std::string::npos)
            continue;
        if (!name.empty())
            name += ' ';
        name.append(*part, begin, part->find_last_not_of(" \t\r\n") - begin + 1);
    }
    return name;
}

PersonName SplitName(const std::string& name)
{
    PersonName parts;
    SplitName(name, parts);
    return parts;
}

void SplitName(const std::string& name, PersonName& parts)
{
    CNameSplitter splitter;
    const PersonNameView& view = splitter.Split(name);
    parts.family.assign(view.family);
    parts.given.assign(view.given);
    parts.prefix.assign(view.prefix);
    parts.suffix.assign(view.suffix);
    parts.nickname.assign(view.nickname);
}
