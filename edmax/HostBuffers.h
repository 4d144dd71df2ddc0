// Text buffers the host hands to a plug-in (EDA_GetCurAdrInfo) and takes back all at once
// (EDA_ReleaseEdmaxBuffer). The plug-in never frees them itself.
#pragma once
#include <memory>
#include <string>
#include <vector>

class CHostBuffers {
public:
    // A NUL-terminated copy of text that stays valid until ReleaseAll.
    char* Hand(const std::string& text);

    // Frees every buffer handed out since the last call; returns how many there were.
    size_t ReleaseAll();

    size_t Count() const { return m_buffers.size(); }

private:
    std::vector<std::unique_ptr<char[]>> m_buffers;
};
