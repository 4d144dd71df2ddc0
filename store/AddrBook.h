// CAddrBook, the address store: every book, folder and address of the plug-in as one tree
// of ADTDATA nodes under a root, kept in step with the attached tree view. The plug-in has
// one process-wide instance; the file layer, the book registry, the window, the tree and the
// dialogs read and change the address data only through it.
#pragma once
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>
#include "store/AddrData.h"
#include "store/AddrView.h"
#include "store/StoreWatch.h"
#include "merge/BookListMerge.h"

class CBookBase;
class CFileCommit;
class CLineReader;

// A book of the settings file's list whose file could not be reached at start (its drive,
// share or folder is not there, or the file cannot be read): it is not in the store, but
// its entry is kept in the list, after the book it followed, until its file is back.
struct HeldBook {
    std::string strName;
    std::string strPath;
    const ADTDATA* pAfter;  // the book it follows in the list; none when it comes first
};

class CAddrBook {
public:
    ADTDATA m_Root;        // first member: the store's address is the root node's address
    IAddrView* m_pTree;    // the attached view, or none
    IStoreWatch* m_pWatch = nullptr;  // told of every node that comes, goes or is renamed

    CAddrBook();
    ~CAddrBook();
    CAddrBook(const CAddrBook&) = delete;
    CAddrBook& operator=(const CAddrBook&) = delete;

    void Initialize();

    ADTDATA* NewData(unsigned char kind, const char* name, const char* addr, ADTDATA* parent,
                     ADTDATA* prev);
    ADTDATA* AddData(unsigned char kind, const char* name, const char* addr, ADTDATA* target,
                     int mode);
    ADTDATA* AddDataAt(unsigned char kind, const char* name, const char* addr, HTREEITEM item,
                       int mode);
    void DeleteData(ADTDATA* node);
    // Relinks node just before (PLACE_BEFORE) or after (any other mode) target, a sibling
    // of the same parent, keeping the node with its subtree, item and flags. Books are
    // reordered this way, so that their unsaved changes and protection go with them.
    void MoveData(ADTDATA* node, ADTDATA* target, int mode);
    // Takes node with its subtree out of its list (its items leave the view) and keeps them
    // for AttachData, which links them again relative to target as AddData links a new
    // node, keys the node and shows the subtree. The merge moves nodes between folders so.
    void DetachData(ADTDATA* node);
    void AttachData(ADTDATA* node, ADTDATA* target, int mode);
    void DeleteList(ADTDATA* node);
    // Replaces everything below node with what fill puts there. The view is told once:
    // node's item leaves with the old contents and comes back with the new ones, inserted
    // level by level (the nodes that fill makes reach no view on their own). The update of
    // a global book fills it this way.
    void RefillNode(ADTDATA* node, const std::function<void()>& fill);

    void DispData(ADTDATA* node);
    void DispList(ADTDATA* first);
    void UpdateLabel(ADTDATA* node);
    void DeleteItem(ADTDATA* node);
    ADTDATA* SetExpand(HTREEITEM item, int value);
    void Renumber(ADTDATA* node, int deep);

    ADTDATA* FindByItem(HTREEITEM item, ADTDATA* start = nullptr, int flag = 0);
    ADTDATA* FindByName(const char* name, ADTDATA* start = nullptr, int flag = 0);
    ADTDATA* GetBook(HTREEITEM item);
    // The book named name, compared as FindByName compares; a local book wins over a
    // global book of the same name.
    ADTDATA* FindBookByName(const char* name);
    static uint32_t NameHash(const char* name);
    void SetModified(ADTDATA* node);

    // Replace a node's name or address text with a private copy of text (none when
    // empty). The old string is released only after the copy succeeded.
    bool ReplaceName(ADTDATA* node, const char* text);
    bool ReplaceAddr(ADTDATA* node, const char* text);

    // The text a node shows in the tree; FormatLabelInto puts it into label.
    static std::string FormatLabel(const ADTDATA* node);
    static void FormatLabelInto(const ADTDATA* node, std::string& label);

    // AL-MAIL address file: read lines into parent; write a sibling list at a depth (0, or
    // -1 when a write failed).
    FILE* ReadList(ADTDATA* parent, FILE* file);
    // The same from the bytes of a file read whole.
    void ReadText(ADTDATA* parent, const std::string& bytes);
    int WriteList(ADTDATA* first, FILE* file, int depth);
    // The bytes WriteList writes for the list.
    static std::string FormatList(const ADTDATA* first, int depth);
    // False for an address name that the file cannot hold: one with ":" or a line end in
    // it, or one that would read back as a folder start or end line.
    static bool IsStorableAddressName(const char* name);

    // Book registry (Windows): the books of the settings file, and their files.
    void LoadBooks();
    void SaveBooks();
    // A new local book named name, last among the books, filled from the AL-MAIL file at
    // path, which stays its file; none when the file cannot be read whole or already
    // belongs to a book.
    ADTDATA* AddBookFromFile(const char* name, const char* path);
    // A path in folder for a new book file, named by the time in seconds ("%08X.adr"),
    // that neither exists on disk nor belongs to another book.
    std::string ProposeBookFile(const std::string& folder);
    // The local book whose file is path (the same file, however spelled), or none.
    ADTDATA* FindBookByFile(const std::string& path);
    // Whether path is the file of a book, loaded or held; *name tells which book.
    bool IsBookFile(const std::string& path, std::string* name = nullptr);
    const std::vector<HeldBook>& HeldBooks() const { return m_HeldBooks; }

    bool IsBook(const ADTDATA* node) const { return node && node->pParent == &m_Root; }
    ADTDATA* FirstBook() { return m_Root.pChild; }

private:
    std::unordered_map<HTREEITEM, ADTDATA*> m_ItemIndex;  // item -> node, for FindByItem
    std::string m_strLabel;  // the label UpdateLabel hands the view, kept for its room
    // What each local book's file held when this run last read or wrote it, by path.
    std::unordered_map<std::string, std::unique_ptr<CBookBase>> m_Bases;
    std::vector<HeldBook> m_HeldBooks;
    bool m_bSettingsWarned = false;  // a failed write of the settings was reported
    // Books whose addresses this run changed since it last wrote the list: their deletion
    // elsewhere does not drop them.
    std::unordered_set<const ADTDATA*> m_ChangedSinceList;

    CBookBase& BaseOf(const std::string& path);
    bool SaveBookFile(ADTDATA* book);
    bool WriteBookWithBase(ADTDATA* book, const std::string& path, CFileCommit& commit);
    bool SaveConflictCopy(ADTDATA* book, const std::string& path, bool keepEntry, bool incomplete);
    void LoadListedBooks();
    void SweepLeftovers();
    void LoadListBook(const std::string& name, const std::string& path, const ADTDATA* after);
    ADTDATA* AddBookFromBytes(const char* name, const char* path, std::string bytes);
    void SaveBookList();
    BookListEntry EntryOf(ADTDATA* book) const;
    BookList CurrentBookList() const;
    void AdoptMergedList(const BookList& merged, const BookList& ours);
    void MarkChangedElsewhere(const BookList& base, const BookList& ours, BookList& theirs);

    void LinkChildLast(ADTDATA* node, ADTDATA* target);
    void Unlink(ADTDATA* node);
    void LinkBefore(ADTDATA* node, ADTDATA* target);
    void LinkAfter(ADTDATA* node, ADTDATA* target);
    void ShowOne(ADTDATA* node, HTREEITEM after);
    void ShowTrees(ADTDATA* first, bool wholeList, HTREEITEM after);
    void ReadLines(ADTDATA* parent, CLineReader& reader);
    void AddLines(ADTDATA* parent, CLineReader& reader);
    void AssignItem(ADTDATA* node, HTREEITEM item);
    void LinkAt(ADTDATA* node, ADTDATA* target, int mode);
    void FreeNode(ADTDATA* node);
    void FreeSubtrees(ADTDATA* first);
};

// The plug-in's one store, defined with the module's other process-wide objects.
extern CAddrBook g_AddrBook;

// The next node after node in pre-order, staying within the lists below stopParent.
ADTDATA* NextPreOrder(ADTDATA* node, const ADTDATA* stopParent);
// The node before node in pre-order, or none before the first book. Descends through
// pLastChild, so a whole backward walk costs no more than a forward one.
ADTDATA* PrevPreOrder(ADTDATA* node);
// The last node of the store in pre-order (the deepest last descendant of the last book).
ADTDATA* LastPreOrder(CAddrBook& store);
