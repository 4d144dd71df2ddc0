// The plug-in's settings file (g_szIniPath): the list of books and the window layout. It is
// read whole at start and served from memory; it is written whole, as a book file is
// (temporary file, flush, replace), only when its text changed, and never in a run that
// could not read it, so a file that another program held open is not replaced by a default
// list. The book registry merges the list with what another process wrote meanwhile before
// it writes, under the file's lock; the window layout sets its values here. A file in
// UTF-16 or in UTF-8 with a byte-order mark (as Windows editors save it) is read as the
// platform's profile functions read it and written back in its own encoding.
#pragma once
#include <string>
#include "files/BookFile.h"
#include "files/FileCommit.h"
#include "files/FileText.h"
#include "books/IniText.h"

class CSettingsFile {
public:
    // Binds the object to path and reads the file whole; a missing file is an empty one
    // (but never one that a save of another process has away for a moment). False when
    // the file is there but could not be read.
    bool Load(const std::string& path);
    // The side file of ours that Load restored the file from (a save cut off by a crash).
    const std::string& RestoredFrom() const { return m_strRestoredFrom; }
    const std::string& Path() const { return m_strPath; }
    // False after the file could not be read at start: nothing is written in this run.
    bool IsWritable() const { return m_bReadable; }

    std::string Value(const std::string& section, const std::string& key) const { return m_Ours.Value(section, key); }
    int IntValue(const std::string& section, const std::string& key) const { return m_Ours.IntValue(section, key); }
    void Set(const std::string& section, const std::string& key, const std::string& value) { m_Ours.Set(section, key, value); }

    // The text as this run last read or wrote it, and the same with this run's changes.
    const CIniText& Base() const { return m_Base; }
    CIniText& Ours() { return m_Ours; }
    const std::string& BaseBytes() const { return m_strBaseBytes; }
    // The settings text of a file's bytes (in Shift-JIS, without a byte-order mark).
    static std::string TextOf(const std::string& bytes);

    // Sets on onto every value that this run changed since the base, except those of
    // section for which skip answers true.
    template <typename Skip>
    void ApplyOwnChanges(CIniText& onto, Skip skip) const;

    // Writes text whole through commit (which holds the file's lock), in the encoding of
    // current (the file's bytes now), when it differs from current; then text is both base
    // and ours. False, with the file as it was, when the write failed.
    bool Write(const CIniText& text, const std::string& current, CFileCommit& commit, WriteFailure* why);

private:
    std::string m_strPath;
    std::string m_strBaseBytes;
    std::string m_strRestoredFrom;
    CIniText m_Base;
    CIniText m_Ours;
    bool m_bReadable = true;
};

template <typename Skip>
void CSettingsFile::ApplyOwnChanges(CIniText& onto, Skip skip) const
{
    for (const std::string& section : m_Ours.Sections()) {
        for (const std::string& key : m_Ours.Keys(section)) {
            std::string value;
            bool inBase = m_Base.Find(section, key, value);
            std::string ours = m_Ours.Value(section, key);
            if (!skip(section, key) && (!inBase || value != ours))
                onto.Set(section, key, ours);
        }
    }
    for (const std::string& section : m_Base.Sections()) {
        for (const std::string& key : m_Base.Keys(section)) {
            std::string value;
            if (!skip(section, key) && !m_Ours.Find(section, key, value))
                onto.Remove(section, key);
        }
    }
}

// The plug-in's settings file, bound to g_szIniPath; bound and read again when that path
// changes (each test has a folder of its own).
CSettingsFile& Settings();
