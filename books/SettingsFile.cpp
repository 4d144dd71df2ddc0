#include "books/SettingsFile.h"
#include "books/IniPath.h"

bool CSettingsFile::Load(const std::string& path)
{
    m_strPath = path;
    FileRead read = ReadWholeFile(path, m_strBaseBytes);
    m_bReadable = read == FileRead::Read || read == FileRead::Gone;
    if (!m_bReadable)
        m_strBaseBytes.clear();
    m_Base = CIniText(m_strBaseBytes);
    m_Ours = m_Base;
    return m_bReadable;
}

bool CSettingsFile::Write(const CIniText& text, const std::string& current, WriteFailure* why)
{
    std::string bytes = text.Text();
    if (bytes != current) {
        bool ok = WriteFileSafely(
            m_strPath, [&](FILE* file) { return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size(); },
            why);
        if (!ok)
            return false;
    } else if (why) {
        *why = WriteFailure::None;
    }
    m_strBaseBytes = bytes;
    m_Base = text;
    m_Ours = text;
    return true;
}

CSettingsFile& Settings()
{
    static CSettingsFile settings;
    if (settings.Path() != g_szIniPath)
        settings.Load(g_szIniPath);
    return settings;
}
