// The texts of the manual entry's completion that need no window: which part of the entry
// is being typed, and what a taken match puts in its place.
#pragma once
#include <string>
#include "store/AddrData.h"

namespace CompletionText {

// Where the part being typed starts: after the last "," outside double quotes (in which a
// backslash escapes the character after it), blanks after it skipped.
size_t TypedPartStart(const std::string& text);

inline std::string TypedPart(const std::string& text)
{
    return text.substr(TypedPartStart(text));
}

// What taking node gives: the entry text that a pick of the node from the tree adds (its
// addresses, comma-separated, for a list), followed by ",".
std::string PickText(const ADTDATA* node);

// The same for a name and one address that came from a directory.
std::string PickText(const std::string& name, const std::string& address);

// text with its typed part replaced by pick.
inline std::string ReplaceTypedPart(const std::string& text, const std::string& pick)
{
    return text.substr(0, TypedPartStart(text)) + pick;
}

}  // namespace CompletionText
