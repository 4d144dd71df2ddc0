#include "merge/BookListMerge.h"
#include <unordered_map>
#include <unordered_set>

namespace {

using KeyIndex = std::unordered_map<std::string, const BookListEntry*>;

KeyIndex IndexByKey(const BookList& list)
{
    KeyIndex index;
    for (const BookListEntry& entry : list)
        index.emplace(entry.key, &entry);  // the first of equal keys stays
    return index;
}

bool SameEntry(const BookListEntry& a, const BookListEntry& b)
{
    return a.type == b.type && a.name == b.name && a.path == b.path;
}

}  // namespace

BookList MergeBookLists(const BookList& base, const BookList& ours, const BookList& theirs, BookList* revived)
{
    KeyIndex inBase = IndexByKey(base);
    KeyIndex inOurs = IndexByKey(ours);
    KeyIndex inTheirs = IndexByKey(theirs);

    BookList merged;
    std::unordered_set<std::string> taken;
    for (const BookListEntry& entry : ours) {
        if (!taken.insert(entry.key).second)
            continue;
        auto base = inBase.find(entry.key);
        auto their = inTheirs.find(entry.key);
        bool inBoth = base != inBase.end();
        bool theirsDeleted = inBoth && their == inTheirs.end();
        if (theirsDeleted && SameEntry(entry, *base->second) && !entry.bChanged)
            continue;  // theirs deleted it, ours left it alone
        if (theirsDeleted && revived)
            revived->push_back(entry);
        BookListEntry kept = entry;
        if (inBoth && their != inTheirs.end() && entry.name == base->second->name)
            kept.name = their->second->name;
        merged.push_back(kept);
    }

    // Theirs' additions, and the books ours deleted whose addresses theirs changed, each
    // after the entry it follows in theirs (or first).
    std::string previous;
    for (const BookListEntry& entry : theirs) {
        bool inOursList = inOurs.find(entry.key) != inOurs.end();
        bool added = inBase.find(entry.key) == inBase.end() && !inOursList;
        bool back = !added && !inOursList && entry.bChanged;
        if ((added || back) && taken.insert(entry.key).second) {
            if (back && revived)
                revived->push_back(entry);
            size_t at = 0;
            for (size_t i = 0; i < merged.size(); ++i) {
                if (merged[i].key == previous)
                    at = i + 1;
            }
            merged.insert(merged.begin() + static_cast<std::ptrdiff_t>(at), entry);
        }
        for (const BookListEntry& kept : merged) {
            if (kept.key == entry.key)
                previous = entry.key;
        }
    }
    return merged;
}
