// One contact as the export hands it to a writer: views of its name and addresses (into
// the store's nodes, or into the walk's own room where a text had to be converted) and its
// folder paths, valid while the writer takes it. sameFolders tells the writer that the
// paths are those of the contact before, which it need not compare then.
#pragma once
#include <string>
#include <string_view>
#include <vector>

struct ContactView {
    std::string_view name;
    const std::string_view* addresses = nullptr;  // mail addresses, each with an "@", the preferred first
    size_t addressCount = 0;
    const std::vector<std::string>* folders = nullptr;                  // none: the book itself
    const std::vector<std::vector<std::string>>* moreFolders = nullptr;  // none: no further paths
    bool isGroup = false;
    bool sameFolders = false;
};
