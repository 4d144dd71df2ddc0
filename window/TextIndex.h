// CTextIndex: a set of texts that answers "does any of them contain this key, starting on
// a character boundary?" without reading every text. The send list keeps one for its
// ReplyTo entries and one for the others, so that adding a folder of thousands of
// addresses does not compare each new key with every entry already listed.
//
// Each text is indexed by the 4-byte runs that start on its character boundaries. A key
// of 4 bytes or more looks only at the texts that hold its rarest such run and checks each
// of them whole; a shorter key is answered from counts of the 1- to 3-byte runs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include "window/RunTable.h"
#include <vector>

class CTextIndex {
public:
    // Adds a text and returns its id, which stays valid until Clear.
    uint32_t Add(const std::string& text);
    void Remove(uint32_t id);
    void Clear();

    // True when some text holds key at one of its character boundaries (the empty key
    // matches any text).
    bool AnyContains(const std::string& key) const;
    const std::string& Text(uint32_t id) const { return m_Texts[id]; }
    size_t Count() const { return m_nLive; }

private:
    static const size_t kRunBytes = 4;

    std::vector<std::string> m_Texts;  // by id; a removed text is emptied
    std::vector<bool> m_Live;
    // Each 4-byte run -> the texts that hold it, newest first, each once: a list through
    // m_Postings. Ids of removed texts stay until there are more of them than live texts.
    struct RunList {
        uint32_t head = kNoPosting;
        uint32_t count = 0;
    };
    struct Posting {
        uint32_t id, next;
    };
    static const uint32_t kNoPosting = 0xFFFFFFFFu;
    CRunTable<RunList> m_Runs;
    std::vector<Posting> m_Postings;
    // Each 1- to 3-byte run (its length in the top byte) -> how often live texts hold it.
    CRunTable<uint32_t> m_ShortRuns;
    size_t m_nLive = 0;
    size_t m_nRemoved = 0;  // removed since the runs were last rebuilt

    void IndexRuns(uint32_t id);
    void CountShortRuns(const std::string& text, int delta);
    void RebuildRuns();
};
