// The folder of a contact in the exchange formats (vCard CATEGORIES, the Categories
// column of a CSV file): the folder names from the book down, joined by "/". Inside a
// name, "\" and "/" (and for CSV "," and ";", which separate categories there) are escaped
// with "\", so every name comes back whole. vCard escapes the path text once more, as it
// does any text ("\\" for "\", "\," for ","). A contact with several categories is in each.
#pragma once
#include <string>
#include <vector>

namespace FolderPath {

using Path = std::vector<std::string>;

// The path text of folders, with the characters of specials escaped in each name.
std::string Format(const Path& folders, const char* specials = "\\/,;");

// The folder names of one path text; blanks around a name are dropped, and so are empty
// names. A backslash before any other character than "\", "/", "," and ";" is kept.
Path Parse(const std::string& text);

// The paths of a list of categories cut at the separators that no backslash escapes,
// without empty paths and without repeats.
std::vector<Path> ParseList(const std::string& text, const char* separators);

// Adds path to the contact's folders unless it is empty or there already.
void AddPath(std::vector<Path>& paths, Path&& path);

}  // namespace FolderPath
