// A person's name and its parts. The readers compose a name from its parts (vCard N, the
// first and last name columns of CSV files); the writers split a display name into them.
// The order follows the script: Japanese, Chinese and Korean names put the family name
// first ("山田 太郎"), names in Latin and other scripts the given name ("Jürgen Müller").
#pragma once
#include <string>

std::string ComposeName(const std::string& given, const std::string& middle, const std::string& family);
// The same into name (none of the parts), whose room is used again: a reader composing a
// name for each row makes room once.
void ComposeName(const std::string& given, const std::string& middle, const std::string& family, std::string& name);

struct PersonName {
    std::string family;
    std::string given;
    std::string prefix;    // "Dr.", "Mr." ...
    std::string suffix;    // "Jr.", "III", "様", "殿" ...
    std::string nickname;  // a part in double quotes beside the name: "Bob" of Robert "Bob" Smith
};

// The parts of a display name where they can be told: "Family, Given"; two or more words
// in the order of their script (the first word the family name of a Japanese name, the
// last that of a Latin one); one word is the family name as a whole, as Japanese phones
// write a name without a blank (山田太郎). Titles before the name and suffixes after it
// (Jr., III, 様, 殿 ...) are parts of their own; a part in double quotes is a nickname, or
// the name itself when nothing but titles stands beside it ("佐藤 健" 様).
PersonName SplitName(const std::string& name);
// The same into parts (CNameSplitter splits without copying).
void SplitName(const std::string& name, PersonName& parts);

// True when text holds a Han, kana or Hangul character.
bool IsFamilyFirstScript(const std::string& text);
