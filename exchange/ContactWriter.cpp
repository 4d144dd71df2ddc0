#include "exchange/ContactWriter.h"

bool CContactWriter::FoldersChanged(const Contact& contact)
{
    if (contact.folders == m_LastFolders && contact.moreFolders == m_LastMoreFolders)
        return false;
    m_LastFolders = contact.folders;
    m_LastMoreFolders = contact.moreFolders;
    return true;
}

const PersonName& CContactWriter::NameParts(const Contact& contact)
{
    if (contact.isGroup)
        m_Parts = PersonName();
    else
        SplitName(contact.name, m_Parts);
    return m_Parts;
}
