#include "store/PickCounts.h"
#include <algorithm>
#include <vector>

namespace {

const uint32_t kMaxCount = 0xFFFF;  // enough to order by; the index keeps 16 bits

uint32_t Capped(uint64_t count)
{
    return static_cast<uint32_t>(std::min<uint64_t>(count, kMaxCount));
}

}  // namespace

std::unordered_map<std::string, uint32_t> CPickCounts::Parse(const std::string& text)
{
    std::unordered_map<std::string, uint32_t> counts;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0 || tab + 1 == line.size())
            continue;
        uint64_t count = 0;
        bool digits = true;
        for (size_t i = 0; i < tab && digits; ++i) {
            digits = line[i] >= '0' && line[i] <= '9';
            count = std::min<uint64_t>(count * 10 + static_cast<unsigned>(line[i] - '0'), kMaxCount);
        }
        if (digits && count > 0) {
            uint32_t& slot = counts[line.substr(tab + 1)];
            slot = Capped(static_cast<uint64_t>(slot) + count);
        }
    }
    return counts;
}

std::string CPickCounts::Format(const std::unordered_map<std::string, uint32_t>& counts)
{
    std::vector<std::pair<std::string, uint32_t>> sorted(counts.begin(), counts.end());
    std::sort(sorted.begin(), sorted.end());
    std::string text;
    for (const auto& entry : sorted)
        text += std::to_string(entry.second) + "\t" + entry.first + "\r\n";
    return text;
}

void CPickCounts::Load(const std::string& text)
{
    m_Counts = Parse(text);
    m_Added.clear();
    ++m_nGeneration;
}

uint32_t CPickCounts::Count(const std::string& key) const
{
    auto found = m_Counts.find(key);
    return found == m_Counts.end() ? 0 : found->second;
}

void CPickCounts::Add(const std::string& key)
{
    if (key.empty() || key.find_first_of("\t\r\n") != std::string::npos)
        return;
    uint32_t& count = m_Counts[key];
    count = Capped(static_cast<uint64_t>(count) + 1);
    ++m_Added[key];
    ++m_nGeneration;
}

std::string CPickCounts::MergeOnto(const std::string& current)
{
    std::unordered_map<std::string, uint32_t> merged = Parse(current);
    for (const auto& added : m_Added) {
        uint32_t& slot = merged[added.first];
        slot = Capped(static_cast<uint64_t>(slot) + added.second);
    }
    m_Counts = merged;
    m_Added.clear();
    ++m_nGeneration;
    return Format(merged);
}
