// The folder of a contact in the exchange formats (vCard CATEGORIES, the Categories
// column of a CSV file): the folder names from the book down, joined by "/". Inside a
// name, "\", "/", "," and ";" are escaped with "\", so every name comes back whole; a
// list of several categories ("Friends,Work") puts the contact into the first.
#pragma once
#include <string>
#include <vector>

namespace FolderPath {

std::string Format(const std::vector<std::string>& folders);

// The folder names of the first category in text; blanks around a name are dropped, and
// so are empty names.
std::vector<std::string> Parse(const std::string& text);

}  // namespace FolderPath
