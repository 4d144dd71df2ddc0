#include "exchange/FolderPath.h"
#include "exchange/Contact.h"

namespace FolderPath {

std::string Format(const std::vector<std::string>& folders)
{
    std::string path;
    for (const std::string& folder : folders) {
        if (!path.empty())
            path += '/';
        for (char c : folder) {
            if (c == '\\' || c == '/' || c == ',' || c == ';')
                path += '\\';
            path += c;
        }
    }
    return path;
}

std::vector<std::string> Parse(const std::string& text)
{
    std::vector<std::string> folders;
    std::string name;
    auto endName = [&] {
        std::string trimmed = TrimBlanks(name);
        if (!trimmed.empty())
            folders.push_back(trimmed);
        name.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            char escaped = text[++i];
            name += (escaped == 'n' || escaped == 'N') ? '\n' : escaped;
        } else if (c == ',' || c == ';') {
            break;
        } else if (c == '/') {
            endName();
        } else {
            name += c;
        }
    }
    endName();
    return folders;
}

}  // namespace FolderPath
