// A person's name and its parts. The readers compose a name from its parts (vCard N, the
// first and last name columns of CSV files); the writers split a display name into them.
// The order follows the script: Japanese, Chinese and Korean names put the family name
// first ("山田 太郎"), names in Latin and other scripts the given name ("Jürgen Müller").
#pragma once
#include <string>

std::string ComposeName(const std::string& given, const std::string& middle, const std::string& family);

struct PersonName {
    std::string family;
    std::string given;
};

// The parts of a display name where they can be told: "Family, Given"; two or more words
// in the order of their script (the first word the family name of a Japanese name, the
// last that of a Latin one). A name of one word has no parts that are known.
PersonName SplitName(const std::string& name);

// True when text holds a Han, kana or Hangul character.
bool IsFamilyFirstScript(const std::string& text);
