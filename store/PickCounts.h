// How often each address was taken from the completion list of the manual entry, so that
// the addresses a user picks most come first. Keyed by the folded address text (see
// MatchFold.h). The text form is one line per address, "count<TAB>address", in the file
// beside the settings file that the window reads at start and writes when it closes; the
// write adds this run's picks to whatever another process wrote meanwhile.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>

class CPickCounts {
public:
    // Replaces the counts with those of text (lines that make no sense are skipped).
    void Load(const std::string& text);
    uint32_t Count(const std::string& key) const;
    // One more pick of key, in this run.
    void Add(const std::string& key);
    bool HasNewPicks() const { return !m_Added.empty(); }
    // current (the file as it is now) with this run's picks added; afterwards that is what
    // the counts hold and nothing counts as new.
    std::string MergeOnto(const std::string& current);
    // Every key with its count.
    const std::unordered_map<std::string, uint32_t>& All() const { return m_Counts; }
    // Keys whose count changed since the last call (the index refreshes those).
    uint64_t Generation() const { return m_nGeneration; }

    static std::string Format(const std::unordered_map<std::string, uint32_t>& counts);
    static std::unordered_map<std::string, uint32_t> Parse(const std::string& text);

private:
    std::unordered_map<std::string, uint32_t> m_Counts;
    std::unordered_map<std::string, uint32_t> m_Added;
    uint64_t m_nGeneration = 0;
};
