#include "exchange/SystemGroups.h"
#include "store/AsciiText.h"

namespace {

bool IsOneName(const std::vector<std::string>& path, const char* name)
{
    return path.size() == 1 && path[0] == name;
}

}  // namespace

void RemoveGoogleSystemGroups(std::vector<std::vector<std::string>>& paths)
{
    bool google = false;
    for (const std::vector<std::string>& path : paths)
        google = google || IsOneName(path, "myContacts");
    std::vector<std::vector<std::string>> kept;
    for (std::vector<std::string>& path : paths) {
        bool system = IsOneName(path, "myContacts") || IsOneName(path, "starred") ||
                      (path.size() == 1 && (EqualNoCase(path[0], "My Contacts") || EqualNoCase(path[0], "Starred in Android"))) ||
                      (google && (IsOneName(path, "friends") || IsOneName(path, "family") || IsOneName(path, "coworkers")));
        if (!system)
            kept.push_back(std::move(path));
    }
    paths = std::move(kept);
}

bool IsGoogleSystemLabel(const std::string& label)
{
    size_t first = label.find_first_not_of(" \t");
    return first != std::string::npos && label[first] == '*';
}
