#include "exchange/PersonName.h"
#include <vector>
#include "exchange/Contact.h"
#include "text/Charset.h"

namespace {

bool IsFamilyFirstCharacter(char32_t ch)
{
    return (ch >= 0x1100 && ch <= 0x11FF) ||    // Hangul Jamo
           (ch >= 0x2E80 && ch <= 0x2FDF) ||    // CJK and Kangxi radicals
           (ch >= 0x3005 && ch <= 0x3007) ||    // 々 〆 〇
           (ch >= 0x3040 && ch <= 0x30FF) ||    // hiragana, katakana
           (ch >= 0x31F0 && ch <= 0x31FF) ||    // katakana extensions
           (ch >= 0x3400 && ch <= 0x4DBF) ||    // CJK extension A
           (ch >= 0x4E00 && ch <= 0x9FFF) ||    // CJK unified ideographs
           (ch >= 0xAC00 && ch <= 0xD7AF) ||    // Hangul syllables
           (ch >= 0xF900 && ch <= 0xFAFF) ||    // CJK compatibility ideographs
           (ch >= 0xFF66 && ch <= 0xFF9F) ||    // half-width katakana
           (ch >= 0x20000 && ch <= 0x3FFFF);    // CJK extensions B and on
}

const char kFullWidthSpace[] = u8"　";

// The words of text, cut at blanks and full-width spaces.
std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words(1);
    for (size_t i = 0; i < text.size(); ++i) {
        bool fullWidth = text.compare(i, 3, kFullWidthSpace) == 0;
        if (text[i] == ' ' || text[i] == '\t' || fullWidth) {
            if (!words.back().empty())
                words.emplace_back();
            i += fullWidth ? 2 : 0;
        } else {
            words.back() += text[i];
        }
    }
    if (words.back().empty())
        words.pop_back();
    return words;
}

std::string Join(std::vector<std::string>::const_iterator begin, std::vector<std::string>::const_iterator end)
{
    std::string out;
    for (auto it = begin; it != end; ++it)
        out += (out.empty() ? "" : " ") + *it;
    return out;
}

}  // namespace

bool IsFamilyFirstScript(const std::string& text)
{
    for (size_t pos = 0; pos < text.size();) {
        if (static_cast<unsigned char>(text[pos]) < 0x80) {
            ++pos;
            continue;
        }
        if (IsFamilyFirstCharacter(Charset::NextUtf8(text, pos)))
            return true;
    }
    return false;
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
    std::string text = TrimBlanks(name);
    size_t comma = text.find(',');
    if (comma != std::string::npos && text.find(',', comma + 1) == std::string::npos) {
        parts.family = TrimBlanks(text.substr(0, comma));
        parts.given = TrimBlanks(text.substr(comma + 1));
        if (parts.family.empty() || parts.given.empty())
            parts = PersonName();
        return parts;
    }
    std::vector<std::string> words = Words(text);
    if (words.size() < 2 || comma != std::string::npos)
        return parts;
    if (IsFamilyFirstScript(text)) {
        parts.family = words.front();
        parts.given = Join(words.begin() + 1, words.end());
    } else {
        parts.family = words.back();
        parts.given = Join(words.begin(), words.end() - 1);
    }
    return parts;
}
