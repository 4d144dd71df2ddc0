#include "exchange/ContactWriter.h"

void CContactWriter::Add(const Contact& contact)
{
    m_Addresses.assign(contact.addresses.begin(), contact.addresses.end());
    ContactView view;
    view.name = contact.name;
    view.addresses = m_Addresses.data();
    view.addressCount = m_Addresses.size();
    view.folders = &contact.folders;
    view.moreFolders = &contact.moreFolders;
    view.isGroup = contact.isGroup;
    AddView(view);
}

bool CContactWriter::FoldersChanged(const ContactView& contact)
{
    if (contact.sameFolders)
        return false;
    static const std::vector<std::string> kNoFolders;
    static const std::vector<std::vector<std::string>> kNoMoreFolders;
    const std::vector<std::string>& folders = contact.folders ? *contact.folders : kNoFolders;
    const std::vector<std::vector<std::string>>& more = contact.moreFolders ? *contact.moreFolders : kNoMoreFolders;
    if (folders == m_LastFolders && more == m_LastMoreFolders)
        return false;
    m_LastFolders = folders;
    m_LastMoreFolders = more;
    return true;
}

std::vector<const std::vector<std::string>*> CContactWriter::PathsOf(const ContactView& contact)
{
    std::vector<const std::vector<std::string>*> paths;
    if (contact.folders && !contact.folders->empty())
        paths.push_back(contact.folders);
    if (contact.moreFolders) {
        for (const std::vector<std::string>& path : *contact.moreFolders) {
            if (!path.empty())
                paths.push_back(&path);
        }
    }
    return paths;
}

const PersonNameView& CContactWriter::NameParts(const ContactView& contact)
{
    if (contact.isGroup)
        return m_NoParts;
    return m_Splitter.Split(contact.name);
}
