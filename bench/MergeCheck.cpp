// A tool for work on the merge's speed, not a benchmark: random three-way merges of books
// shaped as users' books are (the same address twice, empty and identical folders, drags
// between folders, the same edits on both sides), small ones and, every few rounds, one of a
// few thousand entries with a total change (every text edited, a level reversed) on one
// side, so that the long-list paths are taken too. Each round prints one line with a hash of
// everything the merge decided: the merged book, what the view was sent, the report, the
// ids the nodes carry, and the merge the other way round. Built from two versions of the
// merge, the two outputs must be the same byte for byte:
//   merge_check FIRST_SEED ROUNDS [ROUND]   (with ROUND: that round's text in full)
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>
#include "../tests/native/RecordingView.h"
#include "../tests/native/StoreDump.h"
#include "merge/BookBase.h"
#include "merge/BookEntries.h"
#include "merge/BookMerge.h"

namespace {

class CMergeRound {
public:
    explicit CMergeRound(unsigned seed) : m_rng(seed) {}

    // The text of everything one round's merges decided.
    std::string Run()
    {
        bool big = Pick(12) == 0;
        m_strBase = big ? BigBase() : SmallBase();
        Side ours;
        Side theirs;
        Open(ours, true);
        Open(theirs, false);
        int pick = Pick(10);
        if (big) {
            BigEdits(ours, theirs);
        } else {
            int edits = pick == 0 ? 0 : 1 + Pick(8);
            std::mt19937 start = m_rng;
            int counter = m_nCounter;
            for (int i = 0; i < edits; ++i)
                Edit(ours);
            if (pick == 2 || pick == 3) {  // the same edits on both sides
                m_rng = start;
                m_nCounter = counter;
                for (int i = 0; i < edits; ++i)
                    Edit(theirs);
            }
            int more = pick == 1 || pick == 2 ? 0 : 1 + Pick(8);
            for (int i = 0; i < more; ++i)
                Edit(theirs);
        }
        ours.view->log.clear();
        std::string oursBytes = CAddrBook::FormatList(ours.book->pChild, 0);
        std::string theirsBytes = CAddrBook::FormatList(theirs.book->pChild, 0);

        std::string out = "base\n" + m_strBase + "theirs\n" + theirsBytes;
        MergeReport report = MergeBook(ours.store, ours.book, ours.base, theirsBytes);
        out += "merged " + DumpStore(ours.store) + "\nview\n";
        for (const std::string& line : ours.view->log)
            out += line + "\n";
        out += "report " + std::to_string(report.nAdded) + " " + std::to_string(report.nDeleted) + " " +
               std::to_string(report.nEdited) + " " + std::to_string(report.nMoved) + "\n";
        for (const MergeConflict& conflict : report.conflicts)
            out += "conflict " + conflict.strFolder + " | " + conflict.strOurs + " | " + conflict.strTheirs + "\n";
        out += "ids";
        for (ADTDATA* node = ours.book->pChild; node; node = NextPreOrder(node, ours.book)) {
            int entry = ours.base.EntryOf(node->nBaseId);
            out += " " + std::to_string(node->nBaseId == 0 ? -2 : entry) + "/" + std::to_string(node->nOrder);
        }
        ours.view->log.clear();
        MergeBook(theirs.store, theirs.book, theirs.base, oursBytes);
        out += "\nother way " + DumpStore(theirs.store) + "\n";
        return out;
    }

private:
    struct Side {
        CAddrBook store;
        CBookBase base;
        ADTDATA* book = nullptr;
        std::unique_ptr<CRecordingView> view;
    };

    std::mt19937 m_rng;
    int m_nCounter = 0;
    std::string m_strBase;

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    std::string Name()
    {
        static const char* const names[] = {"Taro", "花子", "ab", "山田 太郎", "", "Ω", "x y"};
        return names[Pick(7)];
    }
    std::string Addr()
    {
        static const char* const common[] = {"taro@x", "hanako@x,h@y", "ab@x"};
        if (Pick(2))
            return common[Pick(3)];
        return "u" + std::to_string(++m_nCounter) + (Pick(4) ? "@x" : "@x,v@y");
    }

    static std::vector<ADTDATA*> Nodes(ADTDATA* book, bool foldersOnly = false)
    {
        std::vector<ADTDATA*> nodes;
        for (ADTDATA* n = book->pChild; n; n = NextPreOrder(n, book)) {
            if (!foldersOnly || n->cType == ADT_FOLDER)
                nodes.push_back(n);
        }
        return nodes;
    }
    ADTDATA* RandomOf(const std::vector<ADTDATA*>& nodes)
    {
        return nodes.empty() ? nullptr : nodes[static_cast<size_t>(Pick(static_cast<int>(nodes.size())))];
    }
    static bool Inside(const ADTDATA* node, const ADTDATA* container)
    {
        for (const ADTDATA* up = container; up; up = up->pParent) {
            if (up == node)
                return true;
        }
        return false;
    }
    static ADTDATA* Copy(CAddrBook& store, const ADTDATA* source, ADTDATA* target, int mode, bool keepIds)
    {
        ADTDATA* copy = store.AddData(source->cType, source->psName, source->psAddr, target, mode);
        copy->nBaseId = keepIds ? source->nBaseId : 0;
        for (const ADTDATA* child = source->pChild; child; child = child->pNext)
            Copy(store, child, copy, PLACE_CHILD, keepIds);
        return copy;
    }

    std::string SmallBase()
    {
        CAddrBook store;
        ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);
        std::vector<ADTDATA*> containers = {book};
        for (int i = Pick(30); i >= 0; --i) {
            ADTDATA* parent = RandomOf(containers);
            ADTDATA* some = RandomOf(Nodes(book));
            int what = Pick(10);
            if (what < 2) {
                containers.push_back(store.AddData(ADT_FOLDER, Name().c_str(), nullptr, parent, PLACE_CHILD));
            } else if (what < 4 && some) {
                ADTDATA* copy = what == 2 && some->cType == ADT_ADDR && !Inside(some, parent)
                                    ? Copy(store, some, parent, PLACE_CHILD, false)
                                    : Copy(store, some, some, PLACE_AFTER, false);
                if (copy->cType == ADT_FOLDER)
                    containers.push_back(copy);
            } else {
                store.AddData(ADT_ADDR, Name().c_str(), Addr().c_str(), parent, PLACE_CHILD);
            }
        }
        return CAddrBook::FormatList(book->pChild, 0);
    }

    // A few hundred to a few thousand addresses, flat or in folders, some standing twice.
    std::string BigBase()
    {
        int count = 300 + Pick(5000);
        int folders = Pick(3) ? Pick(12) : 0;
        std::string text;
        auto line = [&](int i) {
            std::string addr = Pick(40) ? "p" + std::to_string(i) + "@example.jp" : Addr();
            return Name() + " " + std::to_string(Pick(50) ? i : 0) + ": " + addr + "\r\n";
        };
        int at = 0;
        for (int f = 0; f < folders; ++f) {
            text += "Group G" + std::to_string(Pick(3) ? f : 0) + "\r\n";
            int share = count / (folders + 1);
            for (int i = 0; i < share; ++i)
                text += "    " + line(at++);
            text += "End group\r\n";
        }
        while (at < count)
            text += line(at++);
        return text;
    }

    void Open(Side& side, bool shown)
    {
        side.book = side.store.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);
        side.base.Capture(m_strBase);
        side.base.Load(side.store, side.book);
        if (!shown)
            return;
        for (ADTDATA* node : Nodes(side.book))
            node->bExpand = node->cType == ADT_FOLDER && Pick(2);
        side.view.reset(new CRecordingView);
        side.store.m_pTree = side.view.get();
        side.store.DispList(nullptr);
    }

    void Add(Side& side, ADTDATA* node, ADTDATA* container)
    {
        ADTDATA* target = node && Pick(2) ? node : container;
        int mode = target == node ? (Pick(2) ? PLACE_BEFORE : PLACE_AFTER) : PLACE_CHILD;
        int what = Pick(6);
        if (node && what < 2 && !(mode == PLACE_CHILD && Inside(node, target))) {
            side.store.SetModified(Copy(side.store, node, target, mode, false));
            return;
        }
        bool folder = what == 2;
        std::string name = Name();
        std::string addr = folder ? "" : Addr();
        side.store.SetModified(side.store.AddData(folder ? ADT_FOLDER : ADT_ADDR, name.c_str(), addr.c_str(), target, mode));
    }

    void EditNode(Side& side, ADTDATA* node)
    {
        CAddrBook& store = side.store;
        ADTDATA* like = RandomOf(Nodes(side.book));
        if (node->cType == ADT_ADDR && like->cType == ADT_ADDR && Pick(4) == 0) {
            std::string name = like->psName ? like->psName : "";
            std::string addr = like->psAddr ? like->psAddr : "";
            store.ReplaceName(node, name.c_str());
            store.ReplaceAddr(node, addr.c_str());
        } else {
            int what = node->cType == ADT_FOLDER ? 0 : Pick(3);
            if (what != 1)
                store.ReplaceName(node, Name().c_str());
            if (what != 0)
                store.ReplaceAddr(node, Addr().c_str());
        }
        if (node->cType == ADT_FOLDER && store.m_pTree)
            store.m_pTree->SetItemText(node->hItem, node->psName ? node->psName : "");
        store.UpdateLabel(node);
        store.SetModified(node);
    }

    void Drag(Side& side, ADTDATA* node, ADTDATA* container)
    {
        CAddrBook& store = side.store;
        if (Inside(node, container))
            return;
        ADTDATA* target = container;
        int mode = PLACE_CHILD;
        if (container->pChild && Pick(2)) {
            target = container->pChild;
            for (int steps = Pick(container->nChild); steps > 0 && target->pNext; --steps)
                target = target->pNext;
            mode = Pick(2) ? PLACE_BEFORE : PLACE_AFTER;
            if (target == node)
                return;
        }
        Copy(store, node, target, mode, true);
        store.SetModified(target);
        store.DeleteData(node);
        store.Renumber(mode == PLACE_CHILD ? target : target->pParent, 1);
    }

    void Reorder(Side& side, ADTDATA* node)
    {
        CAddrBook& store = side.store;
        ADTDATA* sibling = node->pParent->pChild;
        for (int steps = Pick(node->pParent->nChild); steps > 0 && sibling->pNext; --steps)
            sibling = sibling->pNext;
        store.MoveData(node, sibling, Pick(2) ? PLACE_BEFORE : PLACE_AFTER);
        store.Renumber(node->pParent, 0);
        if (store.m_pTree)
            store.m_pTree->SortLevel(node->pParent->hItem);
    }

    void Edit(Side& side)
    {
        ADTDATA* node = RandomOf(Nodes(side.book));
        std::vector<ADTDATA*> containers = Nodes(side.book, true);
        containers.push_back(side.book);
        ADTDATA* container = RandomOf(containers);
        int op = Pick(8);
        if (!node && op >= 2)
            op = Pick(2);
        switch (op) {
        case 0:
        case 1: Add(side, node, container); break;
        case 2: side.store.DeleteData(node); break;
        case 3:
        case 4: EditNode(side, node); break;
        case 5:
        case 6: Drag(side, node, container); break;
        default: Reorder(side, node); break;
        }
    }

    // A total change on one side or both (every text edited, every level reversed) and a
    // few scattered edits on each side.
    void BigEdits(Side& ours, Side& theirs)
    {
        int shape = Pick(6);
        for (Side* side : {&ours, &theirs}) {
            bool total = shape == 0 ? side == &ours : shape == 1 ? side == &theirs : shape == 2;
            if (total) {
                int kind = Pick(3);
                for (ADTDATA* node : Nodes(side->book)) {
                    if (node->cType != ADT_ADDR || Pick(20) == 0)
                        continue;
                    std::string text = std::string(kind == 0 ? node->psName : node->psAddr) + (kind == 0 ? " 様" : ".jp");
                    if (kind == 0)
                        side->store.ReplaceName(node, text.c_str());
                    else if (kind == 1)
                        side->store.ReplaceAddr(node, text.c_str());
                    side->store.UpdateLabel(node);
                }
                if (kind == 2) {
                    std::vector<ADTDATA*> levels = Nodes(side->book, true);
                    levels.push_back(side->book);
                    for (ADTDATA* level : levels) {
                        std::vector<ADTDATA*> children;
                        for (ADTDATA* child = level->pChild; child; child = child->pNext)
                            children.push_back(child);
                        for (size_t i = 1; i < children.size(); ++i)
                            side->store.MoveData(children[i], level->pChild, PLACE_BEFORE);
                    }
                    side->store.Renumber(side->book, 1);
                }
                side->store.SetModified(side->book);
            }
            for (int i = Pick(12); i > 0; --i)
                Edit(*side);
        }
    }
};

uint64_t Fingerprint(const std::string& text)
{
    return HashBytes(text.data(), text.size());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "merge_check FIRST_SEED ROUNDS [ROUND]\n");
        return 2;
    }
    unsigned first = static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10));
    int rounds = std::atoi(argv[2]);
    int shown = argc > 3 ? std::atoi(argv[3]) : -1;
    uint64_t all = 0;
    for (int round = 0; round < rounds; ++round) {
        std::string text = CMergeRound(first + static_cast<unsigned>(round)).Run();
        if (round == shown)
            std::fwrite(text.data(), 1, text.size(), stdout);
        uint64_t hash = Fingerprint(text);
        all = all * 31 + hash;
        std::printf("%u %016llx\n", first + static_cast<unsigned>(round), static_cast<unsigned long long>(hash));
    }
    std::printf("all %016llx\n", static_cast<unsigned long long>(all));
    return 0;
}
