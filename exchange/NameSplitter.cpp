#include "exchange/NameSplitter.h"
#include "store/AsciiText.h"
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

// The full-width space, U+3000.
constexpr unsigned char kFullWidthSpace[] = {0xE3, 0x80, 0x80};

// What a byte of a name may be for the splitting, looked up in one table: the start of a
// blank (a blank, a tab, or the first byte of a full-width space) and the first byte of a
// title or a suffix (either case of a Latin one), so that most words are told apart from
// them by their first byte alone.
enum NameByte : unsigned char { kBlankStart = 1, kSuffixStart = 2, kPrefixStart = 4, kQuote = 8 };

const std::string_view kJapaneseSuffixes[] = {u8"様", u8"さま", u8"殿", u8"御中", u8"先生",
                                              u8"さん", u8"君", u8"くん", u8"ちゃん", u8"氏"};
const std::string_view kLatinSuffixes[] = {"jr.", "jr", "sr.", "sr", "ii", "iii", "iv",
                                           "phd", "ph.d.", "md", "m.d.", "esq.", "esq"};
const std::string_view kTitles[] = {"mr.", "mrs.", "ms.", "miss", "dr.", "prof.", "mr", "mrs", "ms", "dr", "prof"};
const size_t kLongestSuffix = 9;  // ちゃん
const size_t kLongestTitle = 5;   // prof.

struct NameByteTable {
    unsigned char kind[256] = {};
    NameByteTable()
    {
        kind[static_cast<unsigned char>(' ')] = kBlankStart;
        kind[static_cast<unsigned char>('\t')] = kBlankStart;
        kind[kFullWidthSpace[0]] |= kBlankStart;
        kind[static_cast<unsigned char>('"')] |= kQuote;
        for (std::string_view suffix : kJapaneseSuffixes)
            kind[static_cast<unsigned char>(suffix[0])] |= kSuffixStart;
        for (std::string_view suffix : kLatinSuffixes)
            MarkLetter(suffix[0], kSuffixStart);
        for (std::string_view title : kTitles)
            MarkLetter(title[0], kPrefixStart);
    }
    void MarkLetter(char lower, NameByte what)
    {
        kind[static_cast<unsigned char>(lower)] |= what;
        kind[static_cast<unsigned char>(lower - 'a' + 'A')] |= what;
    }
};

const NameByteTable& NameBytes()
{
    static const NameByteTable table;
    return table;
}

// A blank, a tab or a full-width space at i, of width bytes.
bool IsBlankAt(std::string_view text, size_t i, size_t& width)
{
    if (text[i] == ' ' || text[i] == '\t') {
        width = 1;
        return true;
    }
    width = 3;
    return static_cast<unsigned char>(text[i]) == kFullWidthSpace[0] && i + 2 < text.size() &&
           static_cast<unsigned char>(text[i + 1]) == kFullWidthSpace[1] &&
           static_cast<unsigned char>(text[i + 2]) == kFullWidthSpace[2];
}

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

std::string_view Unquoted(std::string_view text)
{
    std::string_view trimmed = TrimView(text);
    if (trimmed.size() >= 2 && trimmed.front() == '"' && trimmed.back() == '"')
        return TrimView(trimmed.substr(1, trimmed.size() - 2));
    return trimmed;
}

bool IsSuffix(const CNameSplitter::Word& word)
{
    if (word.quoted || word.text.size() > kLongestSuffix ||
        !(NameBytes().kind[static_cast<unsigned char>(word.text[0])] & kSuffixStart))
        return false;
    for (std::string_view suffix : kJapaneseSuffixes) {
        if (word.text == suffix)
            return true;
    }
    for (std::string_view suffix : kLatinSuffixes) {
        if (EqualNoCase(word.text, suffix))
            return true;
    }
    return false;
}

bool IsPrefix(const CNameSplitter::Word& word)
{
    if (word.quoted || word.text.size() > kLongestTitle ||
        !(NameBytes().kind[static_cast<unsigned char>(word.text[0])] & kPrefixStart))
        return false;
    for (std::string_view title : kTitles) {
        if (EqualNoCase(word.text, title))
            return true;
    }
    return false;
}

// The words of text, cut at blanks and full-width spaces; a part in double quotes is one
// word, blanks and all.
void NameWords(std::string_view text, std::vector<CNameSplitter::Word>& words)
{
    words.clear();
    const unsigned char* kind = NameBytes().kind;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
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
        // The word runs to the next blank, which is looked for four bytes a step.
        size_t end = i + 1;
        for (;;) {
            while (end + 4 <= text.size() &&
                   !((kind[bytes[end]] | kind[bytes[end + 1]] | kind[bytes[end + 2]] | kind[bytes[end + 3]]) & kBlankStart))
                end += 4;
            if (end >= text.size() || ((kind[bytes[end]] & kBlankStart) && IsBlankAt(text, end, width)))
                break;
            ++end;
        }
        words.push_back({text.substr(i, end - i), false});
        i = end;
    }
}

}  // namespace

// Characters of three bytes (every family-first one but the rare ones beyond U+FFFF) are
// read in place. One that is malformed (too long a form, a surrogate) is no family-first
// character, and neither are its continuation bytes, which NextUtf8 would read one by one.
bool HasFamilyFirstCharacter(std::string_view text)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    size_t pos = 0;
    while (pos < text.size()) {
        unsigned char lead = bytes[pos];
        if (lead < 0x80) {
            ++pos;
            continue;
        }
        if ((lead & 0xF0) == 0xE0 && pos + 3 <= text.size() && (bytes[pos + 1] & 0xC0) == 0x80 &&
            (bytes[pos + 2] & 0xC0) == 0x80) {
            char32_t ch = (char32_t(lead & 0x0F) << 12) | (char32_t(bytes[pos + 1] & 0x3F) << 6) | (bytes[pos + 2] & 0x3F);
            if (ch >= 0x800 && IsFamilyFirstCharacter(ch))
                return true;
            pos += 3;
            continue;
        }
        if (IsFamilyFirstCharacter(Charset::NextUtf8(text, pos)))
            return true;
    }
    return false;
}

// The words joined by blanks: the stretch of the name they make when one blank stands
// between each two, else a copy in the room (which Split made large enough that it never
// moves: the parts together are never longer than the name).
std::string_view CNameSplitter::Join(const std::string_view* begin, const std::string_view* end)
{
    if (begin == end)
        return {};
    bool stretch = true;
    for (const std::string_view* word = begin + 1; word != end && stretch; ++word) {
        const char* after = word[-1].data() + word[-1].size();
        stretch = word->data() == after + 1 && *after == ' ';
    }
    if (stretch) {
        const std::string_view* last = end - 1;
        return std::string_view(begin->data(), static_cast<size_t>(last->data() + last->size() - begin->data()));
    }
    size_t start = m_Room.size();
    for (const std::string_view* word = begin; word != end; ++word) {
        if (word != begin)
            m_Room += ' ';
        m_Room.append(word->data(), word->size());
    }
    return std::string_view(m_Room.data() + start, m_Room.size() - start);
}

const PersonNameView& CNameSplitter::Split(std::string_view name)
{
    m_Parts = PersonNameView();
    m_Room.clear();
    m_Room.reserve(name.size() + 16);
    std::string_view text = TrimView(name);
    size_t comma = text.find(',');
    if (comma != std::string_view::npos) {
        if (text.find(',', comma + 1) != std::string_view::npos)
            return m_Parts;
        std::string_view family = Unquoted(text.substr(0, comma));
        std::string_view given = Unquoted(text.substr(comma + 1));
        if (!family.empty() && !given.empty()) {
            m_Parts.family = family;
            m_Parts.given = given;
        }
        return m_Parts;
    }
    if (!SplitSimple(text))
        SplitWords(text);
    return m_Parts;
}

// Most names are one word or two apart by blanks, without quotes, tabs or full-width
// spaces: their parts are told from the two words alone, as SplitWords would tell them
// (a second word that is a suffix, a first that is a title, else the order of the
// script). False, and nothing told, for a name of any other shape.
bool CNameSplitter::SplitSimple(std::string_view text)
{
    const unsigned char* kind = NameBytes().kind;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    size_t size = text.size();
    size_t firstEnd = size;
    size_t secondBegin = size;
    size_t width = 0;
    for (size_t i = 0; i < size; ++i) {
        unsigned char c = bytes[i];
        if (!(kind[c] & (kBlankStart | kQuote)))
            continue;
        if (c == kFullWidthSpace[0] && !IsBlankAt(text, i, width))
            continue;
        if (c != ' ' || secondBegin != size)
            return false;  // a quote, a tab, a full-width space, or a third word
        firstEnd = i;
        while (i + 1 < size && bytes[i + 1] == ' ')
            ++i;
        secondBegin = i + 1;
    }
    if (size == 0)
        return false;
    std::string_view first = text.substr(0, firstEnd);
    if (secondBegin == size) {
        m_Parts.family = first;
        return true;
    }
    std::string_view second = text.substr(secondBegin);
    if (IsSuffix({second, false})) {
        m_Parts.suffix = second;
        m_Parts.family = first;
    } else if (IsPrefix({first, false})) {
        m_Parts.prefix = first;
        m_Parts.family = second;
    } else if (HasFamilyFirstCharacter(first) || HasFamilyFirstCharacter(second)) {
        m_Parts.family = first;
        m_Parts.given = second;
    } else {
        m_Parts.family = second;
        m_Parts.given = first;
    }
    return true;
}

// The words of a name without a comma: titles before it, suffixes after it, nicknames in
// quotes, and the name itself in the order of its script.
void CNameSplitter::SplitWords(std::string_view text)
{
    NameWords(text, m_Words);
    size_t first = 0;
    size_t end = m_Words.size();
    size_t suffixes = end;
    while (end - first > 1 && IsSuffix(m_Words[end - 1]))
        --end;
    while (end - first > 1 && IsPrefix(m_Words[first]))
        ++first;
    m_Plain.clear();
    for (size_t i = end; i < suffixes; ++i)
        m_Plain.push_back(m_Words[i].text);
    m_Parts.suffix = Join(m_Plain.data(), m_Plain.data() + m_Plain.size());
    m_Plain.clear();
    for (size_t i = 0; i < first; ++i)
        m_Plain.push_back(m_Words[i].text);
    m_Parts.prefix = Join(m_Plain.data(), m_Plain.data() + m_Plain.size());
    // The words of the name itself: those between titles and suffixes, or the quoted part's.
    const Word* begin = m_Words.data() + first;
    const Word* stop = m_Words.data() + end;
    if (end - first == 1 && m_Words[first].quoted) {
        // The quoted part is the name itself ("佐藤 健" 様).
        NameWords(m_Words[first].text, m_Inner);
        for (Word& word : m_Inner)
            word.quoted = false;
        begin = m_Inner.data();
        stop = begin + m_Inner.size();
    }
    m_Plain.clear();
    for (const Word* word = begin; word != stop; ++word) {
        if (word->quoted)
            m_Plain.push_back(word->text);
    }
    m_Parts.nickname = Join(m_Plain.data(), m_Plain.data() + m_Plain.size());
    m_Plain.clear();
    bool familyFirst = false;
    for (const Word* word = begin; word != stop; ++word) {
        if (word->quoted)
            continue;
        m_Plain.push_back(word->text);
        familyFirst = familyFirst || HasFamilyFirstCharacter(word->text);
    }
    const std::string_view* plain = m_Plain.data();
    size_t count = m_Plain.size();
    if (count == 0)
        return;
    if (count == 1) {
        m_Parts.family = plain[0];
        return;
    }
    if (familyFirst) {
        m_Parts.family = plain[0];
        m_Parts.given = Join(plain + 1, plain + count);
    } else {
        m_Parts.family = plain[count - 1];
        m_Parts.given = Join(plain, plain + count - 1);
    }
}
