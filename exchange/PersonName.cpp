#include "exchange/PersonName.h"
#include <string_view>
#include "exchange/Contact.h"
#include "exchange/NameSplitter.h"

bool IsFamilyFirstScript(const std::string& text)
{
    return HasFamilyFirstCharacter(text);
}

namespace {

bool IsNameBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::string ComposeName(const std::string& given, const std::string& middle, const std::string& family)
{
    std::string name;
    ComposeName(given, middle, family, name);
    return name;
}

void ComposeName(const std::string& given, const std::string& middle, const std::string& family, std::string& name)
{
    bool familyFirst = IsFamilyFirstScript(given) || IsFamilyFirstScript(family);
    const std::string* order[] = {&given, &middle, &family};
    if (familyFirst) {
        order[0] = &family;
        order[1] = &given;
        order[2] = &middle;
    }
    // Each part without blanks, tabs and line ends at either end; the name made in room
    // for all of them at once.
    std::string_view parts[3];
    size_t size = 0;
    for (int i = 0; i < 3; ++i) {
        const char* begin = order[i]->data();
        const char* end = begin + order[i]->size();
        while (begin != end && IsNameBlank(*begin))
            ++begin;
        while (end != begin && IsNameBlank(end[-1]))
            --end;
        parts[i] = std::string_view(begin, static_cast<size_t>(end - begin));
        size += parts[i].size() + 1;
    }
    name.clear();
    name.reserve(size);
    for (std::string_view part : parts) {
        if (part.empty())
            continue;
        if (!name.empty())
            name += ' ';
        name.append(part.data(), part.size());
    }
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
