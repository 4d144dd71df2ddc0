// The AL-MAIL address file layer of the store: folders ("Group" ... "End group") and
// address lines ("name: addresses"), four blanks of indentation per folder level.
#include <string>
#include <vector>
#include "store/AddrBook.h"
#include "files/AddrLine.h"
#include "files/LineReader.h"
#include "store/StoreHooks.h"

namespace {

bool WriteText(FILE* file, const std::string& text)
{
    return g_StoreHooks.write(text.data(), text.size(), file) == text.size();
}

}  // namespace

bool CAddrBook::IsStorableAddressName(const char* name)
{
    std::string_view text = name ? name : "";
    // ":" and the line ends are never trail bytes of a two-byte character.
    if (text.find_first_of(":\r\n") != std::string_view::npos)
        return false;
    return ParseAddrLine(text).kind == AddrLine::OTHER;
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
        AddrLine parsed = ParseAddrLine(line);
        if (parsed.kind == AddrLine::FOLDER_START) {
            ADTDATA* folder = AddData(ADT_FOLDER, std::string(parsed.name).c_str(), nullptr, current, PLACE_CHILD);
            levels.push_back(folder ? folder : current);
        } else if (parsed.kind == AddrLine::FOLDER_END) {
            if (!levels.empty())
                levels.pop_back();
        } else if (parsed.kind == AddrLine::ADDRESS) {
            AddData(ADT_ADDR, std::string(parsed.name).c_str(), std::string(parsed.text).c_str(), current,
                    PLACE_CHILD);
        }
    }
}

namespace {

// Hands the lines of the list and everything below it, in list order, to put (which says
// whether it took them). Folders open and close through the parent links, so any depth
// is walked without recursion, each level four blanks deeper. Stops at the first refusal.
template <typename Put>
bool PutLines(const ADTDATA* first, int depth, Put put)
{
    std::string indent(static_cast<size_t>(depth > 0 ? depth : 0) * 4, ' ');
    std::string line;
    const ADTDATA* node = first;
    bool ok = true;
    while (node && ok) {
        const char* name = node->psName ? node->psName : "";
        if (node->cType == ADT_FOLDER) {
            ok = put(line.assign(indent).append("Group ").append(name).append("\r\n"));
            if (node->pChild) {
                node = node->pChild;
                indent.append(4, ' ');
                continue;
            }
            ok = ok && put(line.assign(indent).append("End group\r\n"));
        } else {
            ok = put(line.assign(indent).append(name).append(": ").append(node->psAddr ? node->psAddr : "").append("\r\n"));
        }
        // Climb out of finished folders, closing each, until a next sibling is found.
        while (ok && !node->pNext) {
            if (node->pParent == first->pParent) {
                node = nullptr;
                break;
            }
            node = node->pParent;
            indent.resize(indent.size() - 4);
            ok = put(line.assign(indent).append("End group\r\n"));
        }
        if (node)
            node = node->pNext;
    }
    return ok;
}

}  // namespace

// A write that comes up short (a full disk) stops the writing and gives -1, so that the
// caller never takes a cut file for a whole one.
int CAddrBook::WriteList(ADTDATA* first, FILE* file, int depth)
{
    if (!first || !file)
        return 0;
    return PutLines(first, depth, [file](const std::string& line) { return WriteText(file, line); }) ? 0 : -1;
}

std::string CAddrBook::FormatList(const ADTDATA* first, int depth)
{
    std::string text;
    if (first)
        PutLines(first, depth, [&text](const std::string& line) { return text.append(line), true; });
    return text;
}
