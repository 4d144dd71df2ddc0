#include "edmax/HostBuffers.h"

#include <cstring>

char* CHostBuffers::Hand(const std::string& text)
{
    std::unique_ptr<char[]> buffer(new char[text.size() + 1]);
    std::memcpy(buffer.get(), text.c_str(), text.size() + 1);
    m_buffers.push_back(std::move(buffer));
    return m_buffers.back().get();
}

size_t CHostBuffers::ReleaseAll()
{
    size_t count = m_buffers.size();
    m_buffers.clear();
    return count;
}
