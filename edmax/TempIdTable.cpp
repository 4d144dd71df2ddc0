#include "edmax/TempIdTable.h"

UINT CTempIdTable::Acquire(HINSTANCE hPlugin, int nCommand)
{
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].hPlugin == hPlugin && m_entries[i].nCommand == nCommand)
            return kFirstId + static_cast<UINT>(i);
    }
    if (kFirstId + m_entries.size() > kLastId)
        return 0;
    m_entries.push_back(Entry{hPlugin, nCommand});
    return kFirstId + static_cast<UINT>(m_entries.size() - 1);
}

bool CTempIdTable::Lookup(UINT id, int* pnCommand) const
{
    if (id < kFirstId || id - kFirstId >= m_entries.size())
        return false;
    *pnCommand = m_entries[id - kFirstId].nCommand;
    return true;
}
