// CTextIndex: a set of texts that answers "does any of them contain this key, starting on
// a character boundary?" without reading every text. The send list keeps one for its
// ReplyTo entries and one for the others, so that adding a folder of thousands of
// addresses does not compare each new key with every entry already listed.
//
// A run is the 4 bytes that start on a character boundary. Of every 4 runs that follow one
// another in a text, the text is indexed by the one of least rank (a fixed mixing of its
// bytes), so a text of n runs is listed under about 2n/5 of them. A key of 4 runs or more
// holds whole such windows, whose least runs any text that holds the key was indexed by:
// the texts of the rarest of them are the only candidates, and each is checked whole.
// Keys of fewer runs (1 to 6 bytes or so, seldom: most keys are addresses) are answered
// from indexes of every run and of the 1- to 3-byte runs.
//
// Adding a text only puts its runs in a set (CRunSet). A key that has a run no text holds
// is answered by the set alone; that is most new addresses, whose own letters and digits
// make a run of their own. The lists of texts by run are brought up to date only when a
// key has no such run, each text listed once, so a folder of thousands of new addresses is
// added without building them at all.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>
#include "window/RunSet.h"
#include "window/RunTable.h"

class CTextIndex {
public:
    // Adds a text and returns its id, which stays valid until Clear.
    uint32_t Add(std::string_view text);
    void Remove(uint32_t id);
    void Clear();

    // True when some text holds key at one of its character boundaries (the empty key
    // matches any text).
    bool AnyContains(std::string_view key) const;
    std::string_view Text(uint32_t id) const
    {
        return std::string_view(m_Bytes).substr(m_Spans[id].offset, m_Spans[id].length);
    }
    size_t Count() const { return m_nLive; }

private:
    static const size_t kRunBytes = 4;
    static const size_t kWindow = 4;

    // Texts by run: each run (by its rank) -> the texts listed under it, newest first, each
    // once, as a list through the postings. Ids of removed texts stay until the runs are
    // rebuilt.
    class CRunLists {
    public:
        // Lists id under run; called tens of times for every text added.
        [[gnu::always_inline]] void Add(uint32_t run, uint32_t id)
        {
            List& list = m_Lists.At(run);
            if (list.head != kNoPosting && list.newest == id)
                return;
            m_Postings.push_back({id, list.head});
            list.head = static_cast<uint32_t>(m_Postings.size() - 1);
            list.newest = id;
            ++list.count;
        }
        // The ids listed under the rarest of runs, or none when a run lists no text.
        template <typename Visit>
        void VisitRarest(const std::vector<uint32_t>& runs, Visit visit) const;
        void Clear();

    private:
        static const uint32_t kNoPosting = 0xFFFFFFFFu;
        struct List {
            uint32_t head = kNoPosting;
            uint32_t count = 0;
            uint32_t newest = 0;  // the id at head, kept here so adding reads no posting
        };
        struct Posting {
            uint32_t id, next;
        };
        CRunTable<List> m_Lists;
        std::vector<Posting> m_Postings;
    };

    // The texts one after another, and where each lies, by id: no allocation per text. The
    // bytes of removed texts stay until the runs are rebuilt.
    struct Span {
        uint32_t offset, length;
    };
    std::string m_Bytes;
    std::vector<Span> m_Spans;
    std::vector<bool> m_Live;
    CRunSet m_HeldRuns;  // every run of every text added since the runs were last rebuilt
    // The texts with ids below each "up to" are in the lists before it (those that were live
    // when they were brought up to date); the lists are brought up to date when asked.
    mutable CRunLists m_Sampled;   // by the least run of each window
    mutable uint32_t m_nSampledUpTo = 0;
    mutable CRunLists m_AllRuns;   // by every run
    mutable uint32_t m_nAllRunsUpTo = 0;
    // Each 1- to 3-byte run (its length in the top byte) -> how often live texts hold it.
    mutable CRunTable<uint32_t> m_ShortRuns;
    mutable uint32_t m_nShortRunsUpTo = 0;
    size_t m_nLive = 0;
    size_t m_nRemoved = 0;  // removed since the runs were last rebuilt
    mutable std::vector<uint32_t> m_Runs;  // room for the runs of a key

    void HoldRuns(uint32_t id);
    bool MayHoldEveryRun(std::string_view key) const;
    void CatchUpSampled() const;
    void CatchUpAllRuns() const;
    void CatchUpShortRuns() const;
    void CountShortRuns(std::string_view text, int delta) const;
    void RebuildRuns();
    bool AnyCandidateContains(const CRunLists& lists, const std::vector<uint32_t>& runs, std::string_view key) const;
};
