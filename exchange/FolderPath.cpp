#include "exchange/FolderPath.h"
#include <algorithm>
#include <cstring>
#include "exchange/Contact.h"

namespace FolderPath {

std::string Format(const Path& folders, const char* specials)
{
    std::string path;
    for (const std::string& folder : folders) {
        if (!path.empty())
            path += '/';
        for (char c : folder) {
            if (std::strchr(specials, c) && c != '\0')
                path += '\\';
            path += c;
        }
    }
    return path;
}

Path Parse(const std::string& text)
{
    Path folders;
    std::string name;
    auto endName = [&] {
        std::string trimmed = TrimBlanks(name);
        if (!trimmed.empty())
            folders.push_back(trimmed);
        name.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size() && text[i + 1] != '\0' && std::strchr("\\/,;", text[i + 1])) {
            name += text[++i];
        } else if (c == '/') {
            endName();
        } else {
            name += c;
        }
    }
    endName();
    return folders;
}

std::vector<Path> ParseList(const std::string& text, const char* separators)
{
    std::vector<Path> paths;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] == '\\') {
            ++i;
            continue;
        }
        if (i < text.size() && (text[i] == '\0' || !std::strchr(separators, text[i])))
            continue;
        AddPath(paths, Parse(text.substr(start, i - start)));
        start = i + 1;
    }
    return paths;
}

void AddPath(std::vector<Path>& paths, Path&& path)
{
    if (!path.empty() && std::find(paths.begin(), paths.end(), path) == paths.end())
        paths.push_back(std::move(path));
}

}  // namespace FolderPath
