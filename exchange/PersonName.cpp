#include "exchange/PersonName.h"
#include <string_view>
#include <vector>
#include "exchange/ByteSet.h"
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

constexpr char kFullWidthSpace[] = u8"　";

}  // namespace

namespace {

// Whether the characters of text from pos to end hold one of a family-first script. The
// part is a word or more of the text, so no character reaches past end.
bool HasFamilyFirstCharacter(const std::string& text, size_t pos, size_t end)
{
    while (pos < end) {
        if (static_cast<unsigned char>(text[pos]) < 0x80) {
            ++pos;
            continue;
        }
        if (IsFamilyFirstCharacter(Charset::NextUtf8(text, pos)))
            return true;
    }
    return false;
}

}  // namespace

bool IsFamilyFirstScript(const std::string& text)
{
    return HasFamilyFirstCharacter(text, 0, text.size());
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

namespace {

// A word of a display name; quoted when it was a part in double quotes (without them).
struct NameWord {
    std::string_view text;
    bool quoted;
};

// A blank, a tab or a full-width space (U+3000, E3 80 80 in UTF-8) at i, of width bytes.
bool IsBlankAt(std::string_view text, size_t i, size_t& width)
{
    if (text[i] == ' ' || text[i] == '\t') {
        width = 1;
        return true;
    }
    width = 3;
    return text[i] == kFullWidthSpace[0] && i + 2 < text.size() && text[i + 1] == kFullWidthSpace[1] &&
           text[i + 2] == kFullWidthSpace[2];
}

// The bytes that may begin a blank.
constexpr ByteSet kBlankStarts{' ', '\t', static_cast<unsigned char>(kFullWidthSpace[0])};

bool IsTrimmed(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view TrimView(std::string_view text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsTrimmed(text[begin]))
        ++begin;
    while (end > begin && IsTrimmed(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// The words of text, cut at blanks and full-width spaces; a part in double quotes is one
// word, blanks and all.
void NameWords(std::string_view text, std::vector<NameWord>& words)
{
    words.clear();
    size_t width = 0;
    for (size_t i = 0; i < text.size();) {
        if (IsBlankAt(text, i, width)) {
            i += width;
            continue;
        }
        size_t close = text[i] == '"' ? text.find('"', i + 1) : std::string_view::npos;
        if (close != std::string_view::npos) {
            std::string_view inner = TrimView(text.substr(i + 1, close - i - 1));
            if (!inner.empty())
                words.push_back({inner, true});
            i = close + 1;
            continue;
        }
        size_t end = i;
        for (;;) {
            end += FindFirstOf(text.substr(end), kBlankStarts);
            if (end == text.size() || IsBlankAt(text, end, width))
                break;
            ++end;
        }
        words.push_back({text.substr(i, end - i), false});
        i = end;
    }
}

bool SameIgnoringAsciiCase(std::string_view word, std::string_view lower)
{
    if (word.size() != lower.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        char c = word[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i])
            return false;
    }
    return true;
}

bool IsSuffix(const NameWord& word)
{
    const size_t kLongest = 9;  // ちゃん
    if (word.text.size() > kLongest)
        return false;
    static const std::string_view kJapanese[] = {u8"様", u8"さま", u8"殿", u8"御中", u8"先生",
                                                 u8"さん", u8"君", u8"くん", u8"ちゃん", u8"氏"};
    static const std::string_view kLatin[] = {"jr.", "jr", "sr.", "sr", "ii", "iii", "iv",
                                              "phd", "ph.d.", "md", "m.d.", "esq.", "esq"};
    if (word.quoted)
        return false;
    for (std::string_view suffix : kJapanese) {
        if (word.text == suffix)
            return true;
    }
    for (std::string_view suffix : kLatin) {
        if (SameIgnoringAsciiCase(word.text, suffix))
            return true;
    }
    return false;
}

bool IsPrefix(const NameWord& word)
{
    const size_t kLongest = 5;  // prof.
    if (word.text.size() > kLongest)
        return false;
    static const std::string_view kTitles[] = {"mr.", "mrs.", "ms.", "miss", "dr.", "prof.", "mr", "mrs", "ms", "dr", "prof"};
    if (word.quoted)
        return false;
    for (std::string_view title : kTitles) {
        if (SameIgnoringAsciiCase(word.text, title))
            return true;
    }
    return false;
}

std::string_view Unquoted(std::string_view text)
{
    std::string_view trimmed = TrimView(text);
    if (trimmed.size() >= 2 && trimmed.front() == '"' && trimmed.back() == '"')
        return TrimView(trimmed.substr(1, trimmed.size() - 2));
    return trimmed;
}

void Append(std::string& to, std::string_view word)
{
    if (!to.empty())
        to += ' ';
    to.append(word);
}

}  // namespace

PersonName SplitName(const std::string& name)
{
    PersonName parts;
    SplitName(name, parts);
    return parts;
}

void SplitName(const std::string& name, PersonName& parts)
{
    parts.family.clear();
    parts.given.clear();
    parts.prefix.clear();
    parts.suffix.clear();
    parts.nickname.clear();
    std::string_view text = TrimView(name);
    size_t comma = text.find(',');
    if (comma != std::string_view::npos) {
        if (text.find(',', comma + 1) != std::string_view::npos)
            return;
        parts.family.assign(Unquoted(text.substr(0, comma)));
        parts.given.assign(Unquoted(text.substr(comma + 1)));
        if (parts.family.empty() || parts.given.empty()) {
            parts.family.clear();
            parts.given.clear();
        }
        return;
    }
    // The words of one name at a time, their room kept (the export splits every name).
    static std::vector<NameWord> words;
    NameWords(text, words);
    size_t first = 0;
    size_t end = words.size();
    size_t suffixes = end;
    while (end - first > 1 && IsSuffix(words[end - 1]))
        --end;
    for (size_t i = end; i < suffixes; ++i)
        Append(parts.suffix, words[i].text);
    while (end - first > 1 && IsPrefix(words[first]))
        Append(parts.prefix, words[first++].text);
    // The words of the name itself: those between titles and suffixes, or the quoted part's.
    static std::vector<NameWord> inner;
    const NameWord* begin = words.data() + first;
    const NameWord* stop = words.data() + end;
    if (end - first == 1 && words[first].quoted) {
        // The quoted part is the name itself ("佐藤 健" 様).
        NameWords(words[first].text, inner);
        for (NameWord& word : inner)
            word.quoted = false;
        begin = inner.data();
        stop = begin + inner.size();
    }
    std::string_view plain[2];  // the first and the last word that is no nickname
    size_t plainCount = 0;
    std::string middle;         // the words between them, joined by blanks
    for (const NameWord* word = begin; word != stop; ++word) {
        if (word->quoted) {
            Append(parts.nickname, word->text);
            continue;
        }
        if (plainCount == 0)
            plain[0] = word->text;
        else if (plainCount == 1)
            plain[1] = word->text;
        else {
            Append(middle, plain[1]);
            plain[1] = word->text;
        }
        ++plainCount;
    }
    if (plainCount == 0)
        return;
    if (plainCount == 1) {
        parts.family.assign(plain[0]);
        return;
    }
    auto familyFirst = [&name](std::string_view word) {
        size_t begin = static_cast<size_t>(word.data() - name.data());
        return HasFamilyFirstCharacter(name, begin, begin + word.size());
    };
    if (familyFirst(plain[0]) || IsFamilyFirstScript(middle) || familyFirst(plain[1])) {
        parts.family.assign(plain[0]);
        parts.given.assign(middle);
        Append(parts.given, plain[1]);
    } else {
        parts.family.assign(plain[1]);
        parts.given.assign(plain[0]);
        if (!middle.empty())
            Append(parts.given, middle);
    }
}
