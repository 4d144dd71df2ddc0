// The AL-MAIL address file layer of the store: folders ("Group" ... "End group") and
// address lines ("name: addresses"), four blanks of indentation per folder level.
#include <string>
#include <vector>
#include "store/AddrBook.h"
#include "store/LineReader.h"
#include "store/StoreHooks.h"

namespace {

bool IsAsciiBlankOrTab(char c)
{
    return c == ' ' || c == '\t';
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// keyword (lower case) stands at pos, in any ASCII case, followed by a blank, a tab or
// the end of the line. Without the follower test an address named "Groupware" would
// read back as a folder.
bool StartsWithKeyword(const std::string& line, size_t pos, const char* keyword)
{
    size_t i = 0;
    for (; keyword[i]; ++i) {
        if (pos + i >= line.size() || AsciiLower(line[pos + i]) != keyword[i])
            return false;
    }
    size_t after = pos + i;
    return after == line.size() || IsAsciiBlankOrTab(line[after]);
}

size_t SkipBlanks(const std::string& line, size_t pos)
{
    while (pos < line.size() && line[pos] == ' ')
        ++pos;
    return pos;
}

bool WriteText(FILE* file, const std::string& text)
{
    return g_StoreHooks.write(text.data(), text.size(), file) == text.size();
}

}  // namespace

bool CAddrBook::IsStorableAddressName(const char* name)
{
    std::string text = name ? name : "";
    // ":" and the line ends are never trail bytes of a two-byte character.
    if (text.find_first_of(":\r\n") != std::string::npos)
        return false;
    size_t start = SkipBlanks(text, 0);
    return !StartsWithKeyword(text, start, "group") && !StartsWithKeyword(text, start, "end group");
}

// Reads lines into parent until the end of the file. Folders nest through an explicit
// stack, so any depth reads without recursion. An end line at the top level is skipped.
// With a view attached, what was read is shown once it is all in, level by level.
FILE* CAddrBook::ReadList(ADTDATA* parent, FILE* file)
{
    if (!file)
        return nullptr;
    CLineReader reader(file);
    ReadLines(parent, reader);
    return file;
}

void CAddrBook::ReadText(ADTDATA* parent, const std::string& bytes)
{
    CLineReader reader(bytes.data(), bytes.size());
    ReadLines(parent, reader);
}

void CAddrBook::ReadLines(ADTDATA* parent, CLineReader& reader)
{
    IAddrView* view = m_pTree;
    ADTDATA* lastBefore = parent->pLastChild;
    m_pTree = nullptr;
    AddLines(parent, reader);
    m_pTree = view;
    ADTDATA* firstRead = lastBefore ? lastBefore->pNext : parent->pChild;
    if (firstRead)
        DispList(firstRead);
}

void CAddrBook::AddLines(ADTDATA* parent, CLineReader& reader)
{
    std::vector<ADTDATA*> levels;  // open folders; a folder that could not be made repeats its parent
    std::string line;
    while (reader.Next(line)) {
        ADTDATA* current = levels.empty() ? parent : levels.back();
        size_t start = SkipBlanks(line, 0);
        if (StartsWithKeyword(line, start, "group")) {
            std::string name = line.substr(SkipBlanks(line, start + 5));
            ADTDATA* folder = AddData(ADT_FOLDER, name.c_str(), nullptr, current, PLACE_CHILD);
            levels.push_back(folder ? folder : current);
        } else if (StartsWithKeyword(line, start, "end group")) {
            if (!levels.empty())
                levels.pop_back();
        } else {
            size_t colon = line.find(':', start);
            if (colon == std::string::npos)
                continue;
            std::string name = line.substr(start, colon - start);
            std::string text = line.substr(SkipBlanks(line, colon + 1));
            AddData(ADT_ADDR, name.c_str(), text.c_str(), current, PLACE_CHILD);
        }
    }
}

// Writes the list and everything below it in list order. Folders open and close through
// the parent links, so any depth writes without recursion, each level four blanks deeper.
// A write that comes up short (a full disk) stops the writing and gives -1, so that the
// caller never takes a cut file for a whole one.
int CAddrBook::WriteList(ADTDATA* first, FILE* file, int depth)
{
    if (!first || !file)
        return 0;
    std::string indent(static_cast<size_t>(depth > 0 ? depth : 0) * 4, ' ');
    ADTDATA* node = first;
    bool ok = true;
    while (node && ok) {
        const char* name = node->psName ? node->psName : "";
        if (node->cType == ADT_FOLDER) {
            ok = WriteText(file, indent + "Group " + name + "\r\n");
            if (node->pChild) {
                node = node->pChild;
                indent.append(4, ' ');
                continue;
            }
            ok = ok && WriteText(file, indent + "End group\r\n");
        } else {
            ok = WriteText(file, indent + name + ": " + (node->psAddr ? node->psAddr : "") + "\r\n");
        }
        // Climb out of finished folders, closing each, until a next sibling is found.
        while (ok && !node->pNext) {
            if (node->pParent == first->pParent) {
                node = nullptr;
                break;
            }
            node = node->pParent;
            indent.resize(indent.size() - 4);
            ok = WriteText(file, indent + "End group\r\n");
        }
        if (node)
            node = node->pNext;
    }
    return ok ? 0 : -1;
}
