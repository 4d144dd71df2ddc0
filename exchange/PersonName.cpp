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
        std::string trimmed = TrimBlanks(*part);
        if (trimmed.empty())
            continue;
        if (!name.empty())
            name += ' ';
        name += trimmed;
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
