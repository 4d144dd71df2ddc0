// The list of books in the settings file ("num" and "book%d_type/_name/_path" in section
// "AddressBook"): written from the store at every save, in the store's book order with the
// held books in their places. Before it is written it is merged with what another process
// (a second EdMax on the same plug-in folder) wrote since this run read the file, and the
// store takes over that process's additions and deletions, so neither run removes the
// books of the other.
#include <windows.h>
#include <cctype>
#include <algorithm>
#include <cstdio>
#include <unordered_map>
#include <vector>
#include "framework/PathName.h"
#include "store/AddrBook.h"
#include "files/FileIdentity.h"
#include "books/IniPath.h"
#include "books/Notices.h"
#include "books/SettingsFile.h"
#include "files/BookFile.h"
#include "merge/BookBase.h"
#include "files/FileCommit.h"

namespace {

const char kSection[] = "AddressBook";

std::string Key(size_t index, const char* field)
{
    char key[48];
    std::snprintf(key, sizeof key, "book%u_%s", static_cast<unsigned>(index), field);
    return key;
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// "num" and "book<digits>_..." of the list's section: written from the list, never copied.
bool IsListKey(const std::string& section, const std::string& key)
{
    if (!EqualNoCase(section, kSection))
        return false;
    if (EqualNoCase(key, "num"))
        return true;
    if (key.size() < 6 || !EqualNoCase(key.substr(0, 4), "book") || !std::isdigit(static_cast<unsigned char>(key[4])))
        return false;
    size_t i = 4;
    while (i < key.size() && std::isdigit(static_cast<unsigned char>(key[i])))
        ++i;
    return i < key.size() && key[i] == '_';
}

// Local books are the same entry when they have the same file, global books when they
// have the same name and URL.
std::string ListKey(const std::string& type, const std::string& name, const std::string& path)
{
    return type == "local" ? "L" + FileKey(path) : "G" + name + "\n" + path;
}

// Two global books of one name and URL are two books: the second and later ones get their
// count in their key, so the merge matches them in turn instead of taking them for one.
// (Two entries of one local file are one book, and the merge keeps the first.)
void NumberRepeatedGlobals(BookList& list)
{
    std::unordered_map<std::string, int> seen;
    for (BookListEntry& entry : list) {
        int count = entry.type == "local" ? 0 : seen[entry.key]++;
        if (count > 0)
            entry.key += "\n#" + std::to_string(count + 1);
    }
}

BookList ListOf(const CIniText& ini)
{
    BookList list;
    int count = ini.IntValue(kSection, "num");
    for (int i = 0; i < count; ++i) {
        BookListEntry entry;
        entry.type = ini.Value(kSection, Key(static_cast<size_t>(i), "type"));
        entry.name = ini.Value(kSection, Key(static_cast<size_t>(i), "name"));
        entry.path = ini.Value(kSection, Key(static_cast<size_t>(i), "path"));
        if (entry.type == "local")
            entry.path = ResolveListedBookPath(entry.path);
        entry.key = ListKey(entry.type, entry.name, entry.path);
        list.push_back(entry);
    }
    NumberRepeatedGlobals(list);
    return list;
}

// A book without a name or path writes no value, which removes that key.
void SetOrRemove(CIniText& ini, const std::string& key, const std::string& value)
{
    if (value.empty())
        ini.Remove(kSection, key);
    else
        ini.Set(kSection, key, value);
}

void WriteListKeys(CIniText& ini, const BookList& list)
{
    for (size_t i = 0; i < list.size(); ++i) {
        ini.Set(kSection, Key(i, "type"), list[i].type == "local" ? "local" : "global");
        SetOrRemove(ini, Key(i, "name"), list[i].name);
        SetOrRemove(ini, Key(i, "path"), list[i].path);
    }
    ini.Set(kSection, "num", std::to_string(list.size()));
}

// The user is told of each book that a deletion elsewhere would have dropped although its
// addresses were changed: ours' stay, theirs' come back from their files.
void ReportRevivedBooks(const BookList& revived)
{
    for (const BookListEntry& entry : revived) {
        std::string text =
            entry.pBook ? "アドレスブック[ " + entry.name + " ]は、ほかで一覧から削除されましたが、"
                          "ここで追加・変更した内容があるため一覧に残しました\n不要なら、あらためて削除してください"
                        : "削除したアドレスブック[ " + entry.name + " ]は、ほかで追加・変更されていたため、"
                          "その内容で一覧に戻しました\nファイル:\n" + entry.path + "\n\n不要なら、あらためて削除してください";
        QueueNotice(text, MB_ICONINFORMATION);
    }
}

void ReportSettingsNotWritten(const std::string& path, const std::string& holder)
{
    std::string text = "設定ファイル:\n" + path + "\n\nに書き込めませんでした\n";
    if (!holder.empty())
        text += "(" + holder + " が使用中です)\n";
    text += "アドレスブックの一覧は、次に保存するときにもう一度書き込みます";
    QueueNotice(text, MB_ICONWARNING);
}

// A new local book whose file was never written (another process held it, or the folder
// refuses it): listed only once its file is there, so that no other process reads the
// entry, finds no file and takes the book for deleted.
bool IsUnwrittenNewBook(const ADTDATA* book)
{
    if (book->cType != ADT_LOCAL_BOOK || !book->bModified || !book->psAddr ||
        GetFileAttributesA(book->psAddr) != INVALID_FILE_ATTRIBUTES)
        return false;
    std::string folder = PathFolder(book->psAddr);
    if (folder.size() > 3)
        folder.pop_back();
    DWORD attributes = GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

BookListEntry CAddrBook::EntryOf(ADTDATA* book) const
{
    BookListEntry entry;
    entry.pBook = book;
    entry.type = book->cType == ADT_LOCAL_BOOK ? "local" : "global";
    entry.name = book->psName ? book->psName : "";
    entry.path = book->psAddr ? book->psAddr : "";
    entry.key = ListKey(entry.type, entry.name, entry.path);
    entry.bChanged = book->bModified || m_ChangedSinceList.count(book);
    return entry;
}

// The store's books in order, each held book after the book it followed.
BookList CAddrBook::CurrentBookList() const
{
    BookList list;
    auto addHeldAfter = [&](const ADTDATA* book) {
        for (const HeldBook& held : m_HeldBooks) {
            if (held.pAfter == book)
                list.push_back({"local", held.strName, held.strPath, ListKey("local", held.strName, held.strPath)});
        }
    };
    addHeldAfter(nullptr);
    for (ADTDATA* book = m_Root.pChild; book; book = book->pNext) {
        if (!IsUnwrittenNewBook(book))
            list.push_back(EntryOf(book));
        addHeldAfter(book);
    }
    NumberRepeatedGlobals(list);
    return list;
}

// Brings the store and the held books to the merged list: the other process's new books
// are loaded (or held) in their places, the books it deleted leave the store (their files
// stay), and its renames are taken.
void CAddrBook::AdoptMergedList(const BookList& merged, const BookList& ours)
{
    auto find = [](const BookList& list, const std::string& key) -> const BookListEntry* {
        for (const BookListEntry& entry : list) {
            if (entry.key == key)
                return &entry;
        }
        return nullptr;
    };
    for (const BookListEntry& entry : ours) {
        ADTDATA* book = entry.pBook;
        const BookListEntry* kept = find(merged, entry.key);
        if (book && !kept) {
            DeleteData(book);
        } else if (book && kept->name != entry.name) {
            ReplaceName(book, kept->name.c_str());
            UpdateLabel(book);
        }
    }
    for (size_t i = 0; i < m_HeldBooks.size();) {
        if (!find(merged, ListKey("local", m_HeldBooks[i].strName, m_HeldBooks[i].strPath)))
            m_HeldBooks.erase(m_HeldBooks.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
    for (const BookListEntry& entry : merged) {
        if (find(ours, entry.key))
            continue;
        if (entry.type != "local")
            AddData(ADT_GLOBAL_BOOK, entry.name.c_str(), entry.path.c_str(), nullptr, 0);
        else if (!IsBookFile(entry.path))
            LoadListBook(entry.name, entry.path, nullptr);
    }
    // The new books came last: each book moves to follow the one before it in the list, and
    // each held book follows the book before it.
    std::unordered_map<std::string, ADTDATA*> books;
    for (const BookListEntry& entry : CurrentBookList()) {
        if (entry.pBook)
            books.emplace(entry.key, entry.pBook);
    }
    ADTDATA* previous = nullptr;
    for (const BookListEntry& entry : merged) {
        auto found = books.find(entry.key);
        if (found == books.end()) {
            for (HeldBook& held : m_HeldBooks) {
                if (ListKey("local", held.strName, held.strPath) == entry.key)
                    held.pAfter = previous;
            }
            continue;
        }
        ADTDATA* book = found->second;
        if (book != (previous ? previous->pNext : m_Root.pChild))
            MoveData(book, previous ? previous : m_Root.pChild, previous ? PLACE_AFTER : PLACE_BEFORE);
        previous = book;
    }
}

// Marks the local books of theirs that this run deleted from the list while someone else
// changed their files (the file no longer holds what this run last read or wrote).
void CAddrBook::MarkChangedElsewhere(const BookList& base, const BookList& ours, BookList& theirs)
{
    std::unordered_map<std::string, bool> keys;
    for (const BookListEntry& entry : base)
        keys[entry.key] = true;
    for (const BookListEntry& entry : ours)
        keys[entry.key] = false;
    for (BookListEntry& entry : theirs) {
        auto deleted = keys.find(entry.key);
        if (entry.type != "local" || deleted == keys.end() || !deleted->second)
            continue;
        auto base = m_Bases.find(entry.path);
        std::string bytes;
        if (base != m_Bases.end() && base->second->IsSet() && ReadWholeFile(entry.path, bytes) == FileRead::Read &&
            !base->second->Holds(bytes))
            entry.bChanged = true;
    }
}


// Under the settings file's lock from the read that the merge starts from until the new
// file is in place; the messages wait in the queue until the lock is let go.
void CAddrBook::SaveBookList()
{
    CSettingsFile& settings = Settings();
    if (!settings.IsWritable())
        return;
    CFileCommit commit(settings.Path());
    CFileLock::Result locked = commit.Begin();
    if (!commit.RestoredFrom().empty())
        QueueRestoredNotice(settings.Path(), commit.RestoredFrom());
    std::string current;
    FileRead read = locked == CFileLock::Busy ? FileRead::Unreachable : commit.Read(current);
    if (read != FileRead::Read && read != FileRead::Gone) {
        if (!m_bSettingsWarned)
            ReportSettingsNotWritten(settings.Path(), commit.Holder());
        m_bSettingsWarned = true;
        return;
    }
    BookList list = CurrentBookList();
    CIniText text = settings.Ours();
    CIniText theirs(CSettingsFile::TextOf(current));
    BookList base = ListOf(settings.Base());
    BookList theirsList = ListOf(theirs);
    MarkChangedElsewhere(base, list, theirsList);
    bool changedElsewhere = std::any_of(theirsList.begin(), theirsList.end(),
                                        [](const BookListEntry& entry) { return entry.bChanged; });
    BookList revived;
    if (current != settings.BaseBytes() || changedElsewhere) {
        // Another process wrote the file since this run read or wrote it, or changed the
        // file of a book that this run deleted.
        BookList merged = MergeBookLists(base, list, theirsList, &revived);
        AdoptMergedList(merged, list);
        text = theirs;
        settings.ApplyOwnChanges(text, IsListKey);
        list = merged;
    }
    WriteListKeys(text, list);
    WriteFailure why;
    if (settings.Write(text, current, commit, &why)) {
        m_bSettingsWarned = false;
        m_ChangedSinceList.clear();
        ReportRevivedBooks(revived);
    } else {
        if (!m_bSettingsWarned)
            ReportSettingsNotWritten(settings.Path(), "");
        m_bSettingsWarned = true;
    }
}
