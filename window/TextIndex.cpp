#include "window/TextIndex.h"
#include <algorithm>
#include <cstring>
#include "store/Sjis.h"
#include "window/SendListRules.h"

namespace {

// The character boundaries of text, walked as the send list's substring test walks them:
// a lead byte in the last place stands alone.
template <typename Visit>
void ForEachBoundary(std::string_view text, Visit visit)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    size_t size = text.size();
    for (size_t i = 0; i < size;) {
        visit(i);
        i += IsSjisLeadByte(bytes[i]) && i + 1 < size ? 2 : 1;
    }
}

uint32_t PackRun(std::string_view text, size_t pos, size_t length)
{
    uint32_t run = 0;
    for (size_t i = 0; i < length; ++i)
        run = (run << 8) | static_cast<unsigned char>(text[pos + i]);
    return run;
}

uint32_t PackShortRun(std::string_view text, size_t pos, size_t length)
{
    return static_cast<uint32_t>(length) << 24 | PackRun(text, pos, length);
}

// The 4 bytes at bytes as one number: a run's own value, the same wherever the run stands.
inline uint32_t RunAt(const unsigned char* bytes)
{
    uint32_t run;
    std::memcpy(&run, bytes, sizeof run);
    return run;
}

// The order of runs within a window: a multiplication by an odd number, which gives every
// run a rank of its own (0 only for the run of four zero bytes, which no text holds). The
// run lists are kept by rank.
const uint32_t kRankFactor = 2654435761u;

inline uint32_t RankAt(const unsigned char* bytes)
{
    return RunAt(bytes) * kRankFactor;
}

// The length of the character that starts with each byte: 2 for a lead byte, else 1. A
// run starts 4 bytes before the end at the latest, so its lead byte always has a trail.
struct CCharLengths {
    unsigned char of[256] = {};
    constexpr CCharLengths()
    {
        for (int b = 0; b < 256; ++b)
            of[b] = IsSjisLeadByte(static_cast<unsigned char>(b)) ? 2 : 1;
    }
};
constexpr CCharLengths kCharLengths;

// Calls visit(rank) for each 4-byte run of text in order, one at each character boundary
// that has 4 bytes from it on (a key's runs are those of any text that holds it, at the
// same places); returns their number.
template <typename Visit>
size_t ForEachRun(std::string_view text, Visit visit)
{
    if (text.size() < 4)
        return 0;
    const unsigned char* at = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = at + text.size() - 3;
    size_t count = 0;
    for (; at < end; at += kCharLengths.of[*at], ++count)
        visit(RankAt(at));
    return count;
}

// Calls visit(rank) for the rank of the least run of every 4 runs in a row, or for the rank
// of every run when there are fewer than 4; a run that was the least of the window before
// too is not repeated. Returns the number of runs.
template <typename Visit>
size_t ForEachLeastRun(std::string_view text, Visit visit)
{
    if (text.size() < 4)
        return 0;
    const unsigned char* at = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = at + text.size() - 3;
    uint32_t first[3];
    size_t count = 0;
    for (; count < 3 && at < end; at += kCharLengths.of[*at], ++count)
        first[count] = RankAt(at);
    if (at >= end) {
        for (size_t place = 0; place < count; ++place)
            visit(first[place]);
        return count;
    }
    // The ranks of the window's runs, oldest first.
    uint32_t r0 = first[0], r1 = first[1], r2 = first[2], r3 = RankAt(at);
    uint32_t least = std::min(std::min(r0, r1), std::min(r2, r3));
    visit(least);
    for (at += kCharLengths.of[*at], ++count; at < end; at += kCharLengths.of[*at], ++count) {
        r0 = r1;
        r1 = r2;
        r2 = r3;
        r3 = RankAt(at);
        uint32_t low = std::min(std::min(r0, r1), std::min(r2, r3));
        if (low != least) {
            visit(low);
            least = low;
        }
    }
    return count;
}

}  // namespace

template <typename Visit>
void CTextIndex::CRunLists::VisitRarest(const std::vector<uint32_t>& runs, Visit visit) const
{
    const List* rarest = nullptr;
    for (uint32_t run : runs) {
        const List* list = m_Lists.Find(run);
        if (!list)
            return;
        if (!rarest || list->count < rarest->count)
            rarest = list;
    }
    for (uint32_t at = rarest ? rarest->head : kNoPosting; at != kNoPosting; at = m_Postings[at].next) {
        if (visit(m_Postings[at].id))
            return;
    }
}

void CTextIndex::CRunLists::Clear()
{
    m_Lists.Clear();
    m_Postings.clear();
}

uint32_t CTextIndex::Add(std::string_view text)
{
    uint32_t id = static_cast<uint32_t>(m_Spans.size());
    m_Spans.push_back({static_cast<uint32_t>(m_Bytes.size()), static_cast<uint32_t>(text.size())});
    m_Bytes.append(text);
    m_Live.push_back(true);
    ++m_nLive;
    HoldRuns(id);
    return id;
}

void CTextIndex::Remove(uint32_t id)
{
    if (id >= m_Spans.size() || !m_Live[id])
        return;
    if (id < m_nShortRunsUpTo)
        CountShortRuns(Text(id), -1);
    m_Live[id] = false;
    m_Spans[id].length = 0;
    --m_nLive;
    // Stale ids only cost time when a key's run lists them; once they outnumber the live
    // texts the runs are rebuilt, so removing costs no more than adding did.
    if (++m_nRemoved > m_nLive + 16)
        RebuildRuns();
}

void CTextIndex::Clear()
{
    m_Bytes.clear();
    m_Spans.clear();
    m_Live.clear();
    m_HeldRuns.Clear();
    m_Sampled.Clear();
    m_nSampledUpTo = 0;
    m_AllRuns.Clear();
    m_nAllRunsUpTo = 0;
    m_ShortRuns.Clear();
    m_nShortRunsUpTo = 0;
    m_nLive = 0;
    m_nRemoved = 0;
}

void CTextIndex::HoldRuns(uint32_t id)
{
    ForEachRun(Text(id), [&](uint32_t rank) { m_HeldRuns.Insert(rank); });
}

// False when the key has a run that no text holds; a text that holds the key at a boundary
// holds each of its runs at the same places.
bool CTextIndex::MayHoldEveryRun(std::string_view key) const
{
    const unsigned char* at = reinterpret_cast<const unsigned char*>(key.data());
    const unsigned char* end = at + key.size() - (kRunBytes - 1);
    for (; at < end; at += kCharLengths.of[*at]) {
        if (!m_HeldRuns.MayHold(RankAt(at)))
            return false;
    }
    return true;
}

void CTextIndex::CatchUpSampled() const
{
    for (uint32_t id = m_nSampledUpTo; id < m_Spans.size(); ++id) {
        if (m_Live[id])
            ForEachLeastRun(Text(id), [&](uint32_t rank) { m_Sampled.Add(rank, id); });
    }
    m_nSampledUpTo = static_cast<uint32_t>(m_Spans.size());
}

void CTextIndex::CatchUpAllRuns() const
{
    for (uint32_t id = m_nAllRunsUpTo; id < m_Spans.size(); ++id) {
        if (m_Live[id])
            ForEachRun(Text(id), [&](uint32_t rank) { m_AllRuns.Add(rank, id); });
    }
    m_nAllRunsUpTo = static_cast<uint32_t>(m_Spans.size());
}

void CTextIndex::CatchUpShortRuns() const
{
    for (uint32_t id = m_nShortRunsUpTo; id < m_Spans.size(); ++id) {
        if (m_Live[id])
            CountShortRuns(Text(id), 1);
    }
    m_nShortRunsUpTo = static_cast<uint32_t>(m_Spans.size());
}

void CTextIndex::CountShortRuns(std::string_view text, int delta) const
{
    ForEachBoundary(text, [&](size_t pos) {
        for (size_t length = 1; length < kRunBytes && pos + length <= text.size(); ++length)
            m_ShortRuns.At(PackShortRun(text, pos, length)) += static_cast<uint32_t>(delta);
    });
}

// The bytes of the live texts moved together, ids staying as they were; the set of runs and
// the lists of texts by run are made again from the live texts (the lists when next asked).
void CTextIndex::RebuildRuns()
{
    std::string bytes;
    bytes.reserve(m_Bytes.size());
    for (uint32_t id = 0; id < m_Spans.size(); ++id) {
        std::string_view text = Text(id);
        m_Spans[id].offset = static_cast<uint32_t>(bytes.size());
        bytes.append(text);
    }
    m_Bytes.swap(bytes);
    m_Sampled.Clear();
    m_nSampledUpTo = 0;
    m_AllRuns.Clear();
    m_nAllRunsUpTo = 0;
    m_HeldRuns.Clear();
    for (uint32_t id = 0; id < m_Spans.size(); ++id) {
        if (m_Live[id])
            HoldRuns(id);
    }
    m_nRemoved = 0;
}

bool CTextIndex::AnyCandidateContains(const CRunLists& lists, const std::vector<uint32_t>& runs,
                                      std::string_view key) const
{
    bool found = false;
    lists.VisitRarest(runs, [&](uint32_t id) {
        found = m_Live[id] && SendListRules::ContainsText(Text(id), key);
        return found;
    });
    return found;
}

bool CTextIndex::AnyContains(std::string_view key) const
{
    if (key.empty())
        return m_nLive > 0;
    if (key.size() < kRunBytes) {
        CatchUpShortRuns();
        const uint32_t* count = m_ShortRuns.Find(PackShortRun(key, 0, key.size()));
        return count && *count > 0;
    }
    if (!MayHoldEveryRun(key))
        return false;

    // A text that holds the key at a boundary holds the key's runs at the same places, so
    // each whole window of the key is one of the text's and its least run lists the text.
    m_Runs.clear();
    if (ForEachLeastRun(key, [&](uint32_t run) { m_Runs.push_back(run); }) >= kWindow) {
        CatchUpSampled();
        return AnyCandidateContains(m_Sampled, m_Runs, key);
    }
    CatchUpAllRuns();
    return AnyCandidateContains(m_AllRuns, m_Runs, key);
}
