#include "window/TextIndex.h"
#include "store/Sjis.h"
#include "window/SendListRules.h"

namespace {

// The character boundaries of text, walked as the send list's substring test walks them:
// a lead byte in the last place stands alone.
template <typename Visit>
void ForEachBoundary(const std::string& text, Visit visit)
{
    size_t i = 0;
    while (i < text.size()) {
        visit(i);
        bool pair = IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
        i += pair ? 2 : 1;
    }
}

uint32_t PackRun(const std::string& text, size_t pos, size_t length)
{
    uint32_t run = 0;
    for (size_t i = 0; i < length; ++i)
        run = (run << 8) | static_cast<unsigned char>(text[pos + i]);
    return run;
}

uint32_t PackShortRun(const std::string& text, size_t pos, size_t length)
{
    return static_cast<uint32_t>(length) << 24 | PackRun(text, pos, length);
}

}  // namespace

uint32_t CTextIndex::Add(const std::string& text)
{
    uint32_t id = static_cast<uint32_t>(m_Texts.size());
    m_Texts.push_back(text);
    m_Live.push_back(true);
    ++m_nLive;
    IndexRuns(id);
    CountShortRuns(text, 1);
    return id;
}

void CTextIndex::Remove(uint32_t id)
{
    if (id >= m_Texts.size() || !m_Live[id])
        return;
    CountShortRuns(m_Texts[id], -1);
    m_Live[id] = false;
    std::string().swap(m_Texts[id]);
    --m_nLive;
    // Stale ids only cost time when a key's run lists them; once they outnumber the live
    // texts the runs are rebuilt, so removing costs no more than adding did.
    if (++m_nRemoved > m_nLive + 16)
        RebuildRuns();
}

void CTextIndex::Clear()
{
    m_Texts.clear();
    m_Live.clear();
    m_Runs.Clear();
    m_Postings.clear();
    m_ShortRuns.Clear();
    m_nLive = 0;
    m_nRemoved = 0;
}

void CTextIndex::IndexRuns(uint32_t id)
{
    const std::string& text = m_Texts[id];
    ForEachBoundary(text, [&](size_t pos) {
        if (pos + kRunBytes > text.size())
            return;
        RunList& list = m_Runs.At(PackRun(text, pos, kRunBytes));
        if (list.head != kNoPosting && m_Postings[list.head].id == id)
            return;
        m_Postings.push_back({id, list.head});
        list.head = static_cast<uint32_t>(m_Postings.size() - 1);
        ++list.count;
    });
}

void CTextIndex::CountShortRuns(const std::string& text, int delta)
{
    ForEachBoundary(text, [&](size_t pos) {
        for (size_t length = 1; length < kRunBytes && pos + length <= text.size(); ++length)
            m_ShortRuns.At(PackShortRun(text, pos, length)) += static_cast<uint32_t>(delta);
    });
}

void CTextIndex::RebuildRuns()
{
    m_Runs.Clear();
    m_Postings.clear();
    for (uint32_t id = 0; id < m_Texts.size(); ++id) {
        if (m_Live[id])
            IndexRuns(id);
    }
    m_nRemoved = 0;
}

bool CTextIndex::AnyContains(const std::string& key) const
{
    if (key.empty())
        return m_nLive > 0;
    if (key.size() < kRunBytes) {
        const uint32_t* count = m_ShortRuns.Find(PackShortRun(key, 0, key.size()));
        return count && *count > 0;
    }

    // Every text that holds the key at a boundary holds each of the key's runs that start
    // on the key's own boundaries (they are boundaries of the text too), so the texts of
    // the rarest such run are the only candidates.
    const RunList* rarest = nullptr;
    bool missing = false;
    ForEachBoundary(key, [&](size_t pos) {
        if (missing || pos + kRunBytes > key.size())
            return;
        const RunList* list = m_Runs.Find(PackRun(key, pos, kRunBytes));
        if (!list) {
            missing = true;
            return;
        }
        if (!rarest || list->count < rarest->count)
            rarest = list;
    });
    if (missing || !rarest)
        return false;
    for (uint32_t at = rarest->head; at != kNoPosting; at = m_Postings[at].next) {
        uint32_t id = m_Postings[at].id;
        if (m_Live[id] && SendListRules::ContainsText(m_Texts[id], key))
            return true;
    }
    return false;
}
