#include "books/SettingsFile.h"
#include "books/IniPath.h"

std::string CSettingsFile::TextOf(const std::string& bytes)
{
    // The profile functions know a byte-order mark; without one the text is the ANSI code page's.
    TextEncoding encoding = DetectTextEncoding(bytes);
    return encoding == TextEncoding::Utf8 || encoding == TextEncoding::ShiftJis ? bytes
                                                                               : DecodeToShiftJis(bytes, encoding);
}

bool CSettingsFile::Load(const std::string& path)
{
    m_strPath = path;
    m_strRestoredFrom.clear();
    FileRead read = ReadSettledFile(path, m_strBaseBytes, &m_strRestoredFrom);
    m_bReadable = read == FileRead::Read || read == FileRead::Gone;
    if (!m_bReadable)
        m_strBaseBytes.clear();
    m_Base = CIniText(TextOf(m_strBaseBytes));
    m_Ours = m_Base;
    return m_bReadable;
}

bool CSettingsFile::Write(const CIniText& text, const std::string& current, CFileCommit& commit, WriteFailure* why)
{
    TextEncoding encoding = DetectTextEncoding(current);
    if (encoding == TextEncoding::Utf8)
        encoding = TextEncoding::ShiftJis;
    std::string bytes = EncodeFromShiftJis(text.Text(), encoding);
    if (bytes != current) {
        if (!commit.Write(bytes, why))
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
