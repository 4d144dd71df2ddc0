#include "merge/BookMerge.h"
#include <cstdio>
#include "merge/BookEntries.h"
#include "merge/DuplicateCopies.h"
#include "merge/EntryMatch.h"
#include "merge/MergeApplier.h"
#include "merge/MergePlan.h"
#include "merge/StableRuns.h"

namespace {

const size_t kConflictsShown = 10;

std::string FolderPath(const ADTDATA* node, const ADTDATA* book)
{
    std::string path;
    for (const ADTDATA* up = node->pParent; up && up != book; up = up->pParent)
        path = std::string(up->psName ? up->psName : "") + (path.empty() ? "" : "/") + path;
    return path;
}

}  // namespace

MergeReport MergeBook(CAddrBook& store, ADTDATA* book, CBookBase& base, std::string theirs)
{
    // Theirs is what the file holds now, so it becomes the book's base; its ids are given
    // to the nodes as the merge goes (the runs that no side changed at once).
    CBookBase next;
    next.Capture(std::move(theirs));
    CStableRuns runs(base, next, book);
    MatchRoom room;  // both matchings build their indexes in the same tables
    std::vector<int> theirsToBase = MatchEntries(runs.base, runs.theirs, &runs.runPairs, &room);
    // This run's entries are known as theirs are, by what they hold and where they stand, so
    // that both sides are read by one rule: they then agree which copy of an entry that
    // stands twice is which, and the merge is the same whichever side is in memory.
    std::vector<int> oursToBase = MatchEntries(runs.base, runs.ours, &runs.oursRunPairs, &room);
    AlignDuplicateCopies(runs.base, runs.ours, oursToBase, runs.theirs, theirsToBase);
    CMergePlan plan(runs.base, runs.ours, oursToBase, runs.theirs, theirsToBase);
    CMergeApplier applier(store, book, plan, runs.firstNodes, runs.lastNodes);
    MergeCounts counts = applier.Apply();

    MergeReport report;
    report.nAdded = counts.added;
    report.nDeleted = counts.deleted;
    report.nEdited = counts.edited;
    report.nMoved = counts.moved;
    for (int e : plan.conflicts) {
        ADTDATA* kept = applier.NodeOf(plan.entries[static_cast<size_t>(e)].conflictOf);
        ADTDATA* copy = applier.NodeOf(e);
        if (kept && copy)
            report.conflicts.push_back({FolderPath(kept, book), CAddrBook::FormatLabel(kept), CAddrBook::FormatLabel(copy)});
    }
    for (size_t e = 0; e < plan.entries.size(); ++e) {
        ADTDATA* node = plan.entries[e].kept ? applier.NodeOf(static_cast<int>(e)) : nullptr;
        int identity = plan.Identity(static_cast<int>(e));
        if (node)
            node->nBaseId = identity < 0 ? 0 : next.IdOf(runs.theirsFirst[static_cast<size_t>(identity)]);
    }
    base = std::move(next);
    return report;
}

std::string MergeReport::Describe(const std::string& bookName) const
{
    char counts[160];
    std::snprintf(counts, sizeof counts, "（追加 %d、削除 %d、変更 %d、移動 %d）", nAdded, nDeleted, nEdited, nMoved);
    std::string text = "アドレスブック[ " + bookName + " ]のファイルは、読み込んだ後にほかで変更されていました。\n"
                       "ほかでの変更をこのアドレスブックに取り込みました" + counts + "。";
    if (conflicts.empty())
        return text;
    text += "\n\n両方で別々に変更された次の項目は、両方の内容を並べて残しました:";
    for (size_t i = 0; i < conflicts.size() && i < kConflictsShown; ++i) {
        const MergeConflict& conflict = conflicts[i];
        text += "\n  " + (conflict.strFolder.empty() ? "" : conflict.strFolder + "/") + conflict.strOurs +
                "  ／  " + conflict.strTheirs;
    }
    if (conflicts.size() > kConflictsShown)
        text += "\n  ほか " + std::to_string(conflicts.size() - kConflictsShown) + " 件";
    return text;
}
