#include "exchange/OutBytes.h"

// At least doubles the room, so that appending costs a constant time a byte.
void COutBytes::Grow(size_t n)
{
    size_t room = m_Bytes.size() * 2;
    if (room < m_nSize + n)
        room = m_nSize + n;
    m_Bytes.resize(room);
}
