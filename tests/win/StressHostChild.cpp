// One host of the many-writers stress run (RegistryStressRun.h): it loads the books of a
// shared settings file and makes random additions, edits, deletions, moves between folders,
// new books and deleted books, saving every few steps, as an EdMax window on a shared
// folder would. It writes a journal of what it did, each line flushed at once, so that the
// run can check the final files whenever the host is killed:
//   A <file>\t<name>   the address name was in book file <file> when a save of it succeeded
//   D <name>           the address name is about to be deleted (written before the save)
//   N <file>           a new book on <file> was listed when a save of the list succeeded
//   X <file>           the book on <file> is about to be deleted (written before the save)
//   S                  a save ended
//   registry_stress_child.exe <settings file> <seed> <journal> <steps>
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>
#include "BoxWatcher.h"
#include "books/IniPath.h"
#include "framework/PathName.h"
#include "store/AddrBook.h"

namespace {

class CStressHost {
public:
    CStressHost(unsigned seed, FILE* journal) : m_rng(seed), m_nSeed(seed), m_pJournal(journal) {}

    void Run(int steps)
    {
        m_Store.LoadBooks();
        for (int step = 0; step < steps; ++step) {
            switch (Pick(10)) {
            case 0: case 1: case 2: Add(); break;
            case 3: Edit(); break;
            case 4: Delete(); break;
            case 5: Move(); break;
            case 6: if (Pick(4) == 0) NewBook(); else Add(); break;
            case 7: if (Pick(6) == 0) DeleteBook(); else Add(); break;
            default: Save(); break;
            }
        }
        Save();
    }

private:
    CAddrBook m_Store;
    std::mt19937 m_rng;
    unsigned m_nSeed;
    FILE* m_pJournal;
    int m_nCounter = 0;
    std::map<ADTDATA*, std::vector<std::string>> m_Unsaved;  // additions by book
    std::set<std::string> m_NewBooks;                          // files of new, unlisted books

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }

    void Journal(const std::string& line)
    {
        std::fputs((line + "\n").c_str(), m_pJournal);
        std::fflush(m_pJournal);
    }

    std::vector<ADTDATA*> Books()
    {
        std::vector<ADTDATA*> books;
        for (ADTDATA* book = m_Store.FirstBook(); book; book = book->pNext) {
            if (book->cType == ADT_LOCAL_BOOK)
                books.push_back(book);
        }
        return books;
    }

    ADTDATA* AnyBook()
    {
        std::vector<ADTDATA*> books = Books();
        return books.empty() ? nullptr : books[Pick(static_cast<int>(books.size()))];
    }

    // A random node of kind in book, or none.
    ADTDATA* AnyNode(ADTDATA* book, unsigned char kind)
    {
        std::vector<ADTDATA*> nodes;
        for (ADTDATA* node = book->pChild; node; node = NextPreOrder(node, book)) {
            if (node->cType == kind)
                nodes.push_back(node);
        }
        return nodes.empty() ? nullptr : nodes[Pick(static_cast<int>(nodes.size()))];
    }

    void Add()
    {
        ADTDATA* book = AnyBook();
        if (!book)
            return;
        ADTDATA* folder = Pick(3) == 0 ? AnyNode(book, ADT_FOLDER) : nullptr;
        if (!folder && Pick(8) == 0) {
            std::string name = "組" + std::to_string(m_nSeed) + "_" + std::to_string(m_nCounter++);
            folder = m_Store.AddData(ADT_FOLDER, name.c_str(), nullptr, book, PLACE_CHILD);
        }
        std::string name = "h" + std::to_string(m_nSeed) + "_" + std::to_string(m_nCounter++);
        std::string address = name + "@example.jp";
        m_Store.SetModified(m_Store.AddData(ADT_ADDR, name.c_str(), address.c_str(), folder ? folder : book, PLACE_CHILD));
        m_Unsaved[book].push_back(name);
    }

    void Edit()
    {
        ADTDATA* book = AnyBook();
        ADTDATA* node = book ? AnyNode(book, ADT_ADDR) : nullptr;
        if (!node)
            return;
        std::string text = std::string(node->psName ? node->psName : "") + "@edited" + std::to_string(m_nCounter++) + ".jp";
        m_Store.ReplaceAddr(node, text.c_str());
        m_Store.SetModified(node);
    }

    // Journals every address in node (itself included) as deleted, and forgets it as added.
    void ForgetDeleted(ADTDATA* node)
    {
        std::set<std::string> names;
        if (node->cType == ADT_ADDR && node->psName)
            names.insert(node->psName);
        for (ADTDATA* each = node->pChild; each; each = NextPreOrder(each, node)) {
            if (each->cType == ADT_ADDR && each->psName)
                names.insert(each->psName);
        }
        for (const std::string& name : names)
            Journal("D " + name);
        for (auto& added : m_Unsaved) {
            std::vector<std::string>& list = added.second;
            for (size_t i = 0; i < list.size();)
                i = names.count(list[i]) ? (list.erase(list.begin() + static_cast<std::ptrdiff_t>(i)), i) : i + 1;
        }
    }

    void Delete()
    {
        ADTDATA* book = AnyBook();
        ADTDATA* node = book ? AnyNode(book, Pick(6) == 0 ? ADT_FOLDER : ADT_ADDR) : nullptr;
        if (!node)
            return;
        ForgetDeleted(node);
        m_Store.SetModified(book);
        m_Store.DeleteData(node);
    }

    void Move()
    {
        ADTDATA* book = AnyBook();
        ADTDATA* node = book ? AnyNode(book, ADT_ADDR) : nullptr;
        ADTDATA* folder = book ? AnyNode(book, ADT_FOLDER) : nullptr;
        if (!node)
            return;
        ADTDATA* target = folder && folder != node->pParent ? folder : book;
        m_Store.DetachData(node);
        m_Store.AttachData(node, target, PLACE_CHILD);
        m_Store.SetModified(node);
    }

    void NewBook()
    {
        // (Hosts propose names by the second: the seed and a counter make them each host's own.)
        std::string file = PathFolder(g_szIniPath) + "b" + std::to_string(m_nSeed) + "_" + std::to_string(m_nCounter++) + ".adr";
        std::string name = "本" + std::to_string(m_nSeed) + "_" + std::to_string(m_nCounter++);
        ADTDATA* book = m_Store.AddData(ADT_LOCAL_BOOK, name.c_str(), file.c_str(), nullptr, 0);
        book->bModified = 1;
        m_NewBooks.insert(file);
    }

    void DeleteBook()
    {
        std::vector<ADTDATA*> books = Books();
        if (books.size() < 3)
            return;
        ADTDATA* book = books[Pick(static_cast<int>(books.size()))];
        Journal("X " + std::string(book->psAddr));
        ForgetDeleted(book);
        m_Unsaved.erase(book);
        m_NewBooks.erase(book->psAddr);
        m_Store.DeleteData(book);
    }

    static std::string FileText(const std::string& file)
    {
        std::string text = "\n";
        if (FILE* in = std::fopen(file.c_str(), "rb")) {
            char buffer[4096];
            for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
                text.append(buffer, got);
            std::fclose(in);
        }
        return text;
    }

    bool Listed(const std::string& file)
    {
        int count = GetPrivateProfileIntA("AddressBook", "num", 0, g_szIniPath);
        for (int i = 0; i < count; ++i) {
            char path[MAX_PATH * 2] = "";
            GetPrivateProfileStringA("AddressBook", ("book" + std::to_string(i) + "_path").c_str(), "", path,
                                     sizeof path, g_szIniPath);
            if (lstrcmpiA(path, file.c_str()) == 0)
                return true;
        }
        return false;
    }

    void Save()
    {
        std::map<ADTDATA*, std::string> files;  // the books with additions, by their files now
        for (const auto& added : m_Unsaved)
            files[added.first] = added.first->psAddr;
        m_Store.SaveBooks();
        Journal("S");
        std::vector<ADTDATA*> books = Books();
        for (auto it = m_Unsaved.begin(); it != m_Unsaved.end();) {
            ADTDATA* book = it->first;
            bool alive = false;
            for (ADTDATA* each : books)
                alive = alive || each == book;
            // A book that left the store at this save (another host deleted it meanwhile)
            // had its additions saved when its file holds them: they are checked all the same.
            std::string file = alive ? std::string(book->psAddr) : files[book];
            std::string text = alive ? "" : FileText(file);
            for (const std::string& name : it->second) {
                bool inFile = text.find("\n" + name + ":") != std::string::npos || text.find(" " + name + ":") != std::string::npos;
                if (alive ? !book->bModified : inFile)
                    Journal("A " + file + "\t" + name);
            }
            if (!alive) {
                it = m_Unsaved.erase(it);
                continue;
            }
            if (!book->bModified)
                it->second.clear();
            ++it;
        }
        for (auto it = m_NewBooks.begin(); it != m_NewBooks.end();) {
            if (Listed(*it)) {
                Journal("N " + *it);
                it = m_NewBooks.erase(it);
            } else {
                ++it;
            }
        }
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    std::strcpy(g_szIniPath, argv[1]);
    FILE* journal = std::fopen(argv[3], "ab");
    if (!journal)
        return 3;
    CBoxWatcher boxes{IDOK};  // merges, conflicts and waits are told; nobody reads them here
    CStressHost(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)), journal).Run(std::atoi(argv[4]));
    std::fclose(journal);
    return 0;
}
