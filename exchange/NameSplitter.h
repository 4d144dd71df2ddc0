// Splits display names into their parts (SplitName in PersonName.h tells how) without
// copying them: each part is a view into the name, or into the splitter's own room where
// a part joins words that stood apart otherwise than by one blank. The export splits every
// name so, a name at a time, its room and word lists kept from name to name.
#pragma once
#include <string>
#include <string_view>
#include <vector>

struct PersonNameView {
    std::string_view family;
    std::string_view given;
    std::string_view prefix;
    std::string_view suffix;
    std::string_view nickname;
};

class CNameSplitter {
public:
    // A word of a display name; quoted when it was a part in double quotes (without them).
    struct Word {
        std::string_view text;
        bool quoted;
    };

    // The parts of name, valid until the next call and while name lives.
    const PersonNameView& Split(std::string_view name);

private:
    PersonNameView m_Parts;
    std::vector<Word> m_Words;
    std::vector<Word> m_Inner;
    std::vector<std::string_view> m_Plain;  // the words of the name itself, nicknames aside
    std::string m_Room;

    std::string_view Join(const std::string_view* begin, const std::string_view* end);
    bool SplitSimple(std::string_view text);
    void SplitWords(std::string_view text);
};

// True when the UTF-8 text holds a Han, kana or Hangul character.
bool HasFamilyFirstCharacter(std::string_view text);
