// CRunSet: the runs (by rank) that the texts of a CTextIndex hold, each once. A run that it
// does not hold is in no text, and neither is any key that has that run: most new
// send-list entries are shown to have no equal by a few look-ups here, before any list of
// texts is read. The ranks are kept in one flat table, chosen by their top bits (a rank is
// already a mixing of the run's bytes), with no allocation per rank.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class CRunSet {
public:
    CRunSet() { Clear(); }

    void Insert(uint32_t rank)
    {
        if (rank == 0)
            return;  // four zero bytes: no text of the send list holds them
        for (size_t slot = rank >> m_nShift;; slot = (slot + 1) & (m_Slots.size() - 1)) {
            if (m_Slots[slot] == rank)
                return;
            if (m_Slots[slot] == 0) {
                m_Slots[slot] = rank;
                if (++m_nUsed * 2 > m_Slots.size())
                    Grow();
                return;
            }
        }
    }
    // False only when no rank inserted since Clear is rank.
    bool MayHold(uint32_t rank) const
    {
        if (rank == 0)
            return true;
        for (size_t slot = rank >> m_nShift;; slot = (slot + 1) & (m_Slots.size() - 1)) {
            if (m_Slots[slot] == rank)
                return true;
            if (m_Slots[slot] == 0)
                return false;
        }
    }
    void Clear()
    {
        m_Slots.assign(kFewestSlots, 0);
        m_nShift = 32 - kFewestSlotsLog2;
        m_nUsed = 0;
    }

private:
    static const unsigned kFewestSlotsLog2 = 10;
    static const size_t kFewestSlots = size_t(1) << kFewestSlotsLog2;
    std::vector<uint32_t> m_Slots;  // 0: an empty slot
    unsigned m_nShift = 32;         // 32 - log2(slots): a rank's top bits choose its slot
    size_t m_nUsed = 0;

    [[gnu::noinline]] void Grow()
    {
        std::vector<uint32_t> slots(m_Slots.size() * 2, 0);
        slots.swap(m_Slots);
        --m_nShift;
        m_nUsed = 0;
        for (uint32_t rank : slots) {
            if (rank != 0)
                Insert(rank);
        }
    }
};
