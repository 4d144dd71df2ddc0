// The text of a settings (INI) file, read and changed as the platform's profile functions
// read it: sections "[name]", lines "key=value", names compared without regard to ASCII
// case, blanks around keys and values dropped, one pair of enclosing quotes taken off a
// value, the first of two equal keys counting. A change rewrites only the line of its key
// (or adds one), so comments, other sections and hand edits stay as they were. The
// settings file of the plug-in is read and written whole through it.
#pragma once
#include <string>
#include <vector>

class CIniText {
public:
    CIniText() = default;
    explicit CIniText(const std::string& text);

    // The value of key in section; false when the key is not there.
    bool Find(const std::string& section, const std::string& key, std::string& value) const;
    // The value, or "" when the key is not there.
    std::string Value(const std::string& section, const std::string& key) const;
    // The value read as the platform reads a number: leading blanks, a sign and decimal
    // digits; 0 when the key is missing or holds no number.
    int IntValue(const std::string& section, const std::string& key) const;

    // Sets key to value, adding the key (and the section) when they are missing. A line
    // end in value becomes a blank, so that a value never makes lines of its own.
    void Set(const std::string& section, const std::string& key, const std::string& value);
    // Removes key; nothing happens when it is not there.
    void Remove(const std::string& section, const std::string& key);

    // Every section, and every key of a section, in file order (the first of equal names
    // only).
    std::vector<std::string> Sections() const;
    std::vector<std::string> Keys(const std::string& section) const;

    // The whole text, every line ending in CR LF.
    std::string Text() const;

private:
    std::vector<std::string> m_Lines;

    struct Place {
        size_t sectionLine;  // the "[name]" line, or npos
        size_t keyLine;      // the key's line, or npos
        size_t endLine;      // one past the section's last line that holds text
    };
    Place Locate(const std::string& section, const std::string& key) const;
};
