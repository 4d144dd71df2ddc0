// Completion's matching: the folding of texts, and the index against a plain oracle that
// walks the whole store, over random stores changed in every way the store can change
// while the index follows it.
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>
#include "store/MatchFold.h"
#include "store/RecipientIndex.h"
#include "window/CompletionText.h"

namespace {

TEST(MatchFold, FoldsCaseWidthAndKanaForms)
{
    // ASCII case, full-width letters, digits, signs and blank.
    EXPECT_EQ(Folded("yamada@ex.jp 1"), Folded("ＹＡＭＡＤＡ＠ｅｘ．ｊｐ　１"));
    // Katakana, hiragana and half-width katakana with voiced and semi-voiced marks.
    EXPECT_EQ(Folded("やまだ"), Folded("ヤマダ"));
    EXPECT_EQ(Folded("やまだ"), Folded("ﾔﾏﾀﾞ"));
    EXPECT_EQ(Folded("ぱぴぷぺぽ ばびぶべぼ"), Folded("ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ ﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞ"));
    EXPECT_EQ(Folded("ヴァー"), Folded("ｳﾞｧｰ"));
    // A mark that no kana takes stays a mark; kanji and trail bytes that look like ASCII
    // letters ("ア" is 0x83 0x41) are no letters.
    EXPECT_EQ(Folded("ア゛"), Folded("ｱﾞ"));
    EXPECT_NE(Folded("ア"), Folded("ャa"));
    EXPECT_EQ(Folded("山田"), "山田");
    EXPECT_NE(Folded("ア"), Folded("\x83\x61"));
}

TEST(PickCounts, AddsThisRunsPicksToWhatTheFileHoldsNow)
{
    CPickCounts picks;
    picks.Load("3\ta@x\r\nbad line\r\n0\tzero@x\r\nx\tnot@x\r\n2\tb@x\r\n");
    EXPECT_EQ(3u, picks.Count("a@x"));
    EXPECT_EQ(0u, picks.Count("zero@x"));
    EXPECT_EQ(0u, picks.Count("not@x"));
    picks.Add("a@x");
    picks.Add("c@x");
    picks.Add("tab\tin");
    EXPECT_TRUE(picks.HasNewPicks());
    // Another process picked a@x twice and b@x once meanwhile.
    EXPECT_EQ("6\ta@x\r\n3\tb@x\r\n1\tc@x\r\n", picks.MergeOnto("5\ta@x\r\n3\tb@x\r\n"));
    EXPECT_FALSE(picks.HasNewPicks());
    EXPECT_EQ(6u, picks.Count("a@x"));
    EXPECT_EQ(65535u, CPickCounts::Parse("99999999999999999999\tbig@x\n").at("big@x"));
}

TEST(CompletionText, TheTypedPartFollowsTheLastCommaOutsideQuotes)
{
    using namespace CompletionText;
    EXPECT_EQ("yam", TypedPart("yam"));
    EXPECT_EQ("yam", TypedPart("a@x, 　 yam"));
    EXPECT_EQ("\"Yamada, T", TypedPart("a@x,\"Yamada, T"));
    EXPECT_EQ("", TypedPart("a@x,"));
    EXPECT_EQ("b", TypedPart("\"a\\\"\", b"));
    // "ソ" ends in 0x5C, no backslash: the quote after it closes.
    EXPECT_EQ("b", TypedPart("\"ソ\",b"));
    EXPECT_EQ("a@x, \"Y, T\" <y@x>,", ReplaceTypedPart("a@x, ya", "\"Y, T\" <y@x>,"));
}

// ---- the index against the oracle ----

const char* const kNames[] = {"山田 太郎", "ヤマダ ハナコ", "ﾔﾏﾀﾞ ｼﾞﾛｳ", "やまだ　次郎", "Yamada, Taro", "YAMAZAKI",
                              "ｙａｍａ", "佐藤", "Sato Ken", "", "太郎", "営業部 全員", "yam"};
const char* const kAddrs[] = {"yamada@example.jp", "YAMA@ex.jp", "taro@yama.jp", "sato@example.jp",
                              "ｙａｍａｄａ＠ｅｘ．ｊｐ", "a@x.jp, b@x.jp", "t@yama", "noat", "k@@x"};
const char* const kTyped[] = {"y", "yam", "YAMA", "ﾔﾏ", "やま", "ヤマダ", "太", "太郎", "山田 太", "ｙａ", "sa", "ex",
                              "example.jp", "yamada@", "営業", "x", "t", "@", " ", "ta", "yama.jp"};

class IndexRun {
public:
    explicit IndexRun(unsigned seed) : m_rng(seed), m_index(m_store, m_picks) {}

    void Run(int steps)
    {
        for (int i = 0; i < 3; ++i)
            AddBook();
        for (int i = 0; i < 60; ++i)
            AddNode();
        m_index.Attach();
        for (int step = 0; step < steps; ++step) {
            Change();
            for (int q = 0; q < 3; ++q) {
                std::string typed = kTyped[Pick(sizeof kTyped / sizeof kTyped[0])];
                ASSERT_EQ(Oracle(typed), Names(m_index.Find(typed, 10)))
                    << "step " << step << " after " << m_lastOp << ", typed \"" << typed << "\"";
            }
        }
    }

private:
    std::mt19937 m_rng;
    CAddrBook m_store;
    CPickCounts m_picks;
    CRecipientIndex m_index;
    std::string m_lastOp;
    int m_nCounter = 0;

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }

    std::vector<ADTDATA*> Nodes(bool containers)
    {
        std::vector<ADTDATA*> nodes;
        for (ADTDATA* n = m_store.m_Root.pChild; n; n = NextPreOrder(n, &m_store.m_Root)) {
            if ((n->cType != ADT_ADDR) == containers)
                nodes.push_back(n);
        }
        return nodes;
    }

    void AddBook()
    {
        m_store.AddData(Pick(3) ? ADT_LOCAL_BOOK : ADT_GLOBAL_BOOK, ("Book" + std::to_string(m_nCounter++)).c_str(),
                        "b.adr", nullptr, 0);
    }

    void AddNode()
    {
        std::vector<ADTDATA*> containers = Nodes(true);
        ADTDATA* target = containers[Pick(static_cast<int>(containers.size()))];
        if (Pick(6) == 0) {
            m_store.AddData(ADT_FOLDER, "Folder", nullptr, target, PLACE_CHILD);
            return;
        }
        const char* name = kNames[Pick(sizeof kNames / sizeof kNames[0])];
        const char* addr = kAddrs[Pick(sizeof kAddrs / sizeof kAddrs[0])];
        m_store.AddData(ADT_ADDR, name, Pick(12) ? addr : "", target, PLACE_CHILD);
    }

    void Change()
    {
        std::vector<ADTDATA*> addrs = Nodes(false);
        std::vector<ADTDATA*> containers = Nodes(true);
        auto any = [&](std::vector<ADTDATA*>& nodes) { return nodes[Pick(static_cast<int>(nodes.size()))]; };
        switch (Pick(9)) {
        case 0:
        case 1:
            m_lastOp = "add";
            AddNode();
            break;
        case 2:
            m_lastOp = "delete";
            if (!addrs.empty() && Pick(4))
                m_store.DeleteData(any(addrs));
            else if (containers.size() > 1)
                m_store.DeleteData(any(containers));
            break;
        case 3:
            m_lastOp = "rename";
            if (!addrs.empty())
                m_store.ReplaceName(any(addrs), kNames[Pick(sizeof kNames / sizeof kNames[0])]);
            break;
        case 4:
            m_lastOp = "new address";
            if (!addrs.empty())
                m_store.ReplaceAddr(any(addrs), kAddrs[Pick(sizeof kAddrs / sizeof kAddrs[0])]);
            break;
        case 5: {
            m_lastOp = "move";
            ADTDATA* node = Pick(2) && !addrs.empty() ? any(addrs) : any(containers);
            if (node->pParent && node->pParent->pChild != node)
                m_store.MoveData(node, node->pParent->pChild, PLACE_BEFORE);
            break;
        }
        case 6: {
            m_lastOp = "detach and attach";
            ADTDATA* node = Pick(2) && !addrs.empty() ? any(addrs) : any(containers);
            if (m_store.IsBook(node))
                break;
            m_store.DetachData(node);
            std::vector<ADTDATA*> targets = Nodes(true);
            m_store.AttachData(node, targets[Pick(static_cast<int>(targets.size()))], PLACE_CHILD);
            break;
        }
        case 7: {
            m_lastOp = "refill";
            ADTDATA* book = m_store.FirstBook();
            for (int skip = Pick(3); skip > 0 && book->pNext; --skip)
                book = book->pNext;
            int count = Pick(10) ? Pick(20) : static_cast<int>(CRecipientIndex::kMaxLooseNodes) + 10;
            m_store.RefillNode(book, [&] {
                for (int i = 0; i < count; ++i)
                    m_store.AddData(ADT_ADDR, kNames[i % 13], kAddrs[(i * 7) % 9], book, PLACE_CHILD);
            });
            break;
        }
        default:
            m_lastOp = "pick";
            if (!addrs.empty())
                m_picks.Add(CRecipientIndex::PickKey(any(addrs)));
            break;
        }
        if (!m_store.FirstBook())
            AddBook();
    }

    static bool Starts(const std::string& text, size_t at, const std::string& prefix)
    {
        return at <= text.size() && text.compare(at, prefix.size(), prefix) == 0 && at + prefix.size() <= text.size();
    }

    // Every address node in tree order, by the rules written out plainly.
    std::vector<std::string> Oracle(const std::string& typed)
    {
        std::string t = Folded(typed);
        struct Hit {
            int tier;
            uint32_t picks;
            size_t order;
            const ADTDATA* node;
        };
        std::vector<Hit> hits;
        size_t order = 0;
        for (const ADTDATA* n : Nodes(false)) {
            ++order;
            if (!n->psAddr || t.empty())
                continue;
            std::string name = Folded(n->psName ? n->psName : "");
            std::string addr = Folded(n->psAddr);
            bool list = addr.find(',') != std::string::npos;
            int tier = -1;
            bool word = false;
            for (size_t i = 0; i < name.size(); ++i) {
                if ((i == 0 || (name[i - 1] == ' ' && name[i] != ' ')) && Starts(name, i, t))
                    word = true;
            }
            size_t at = addr.rfind('@');
            if (!name.empty() && name == t)
                tier = 0;
            else if (word)
                tier = 1;
            else if (!list && (Starts(addr, 0, t) || (at != std::string::npos && Starts(addr, at + 1, t))))
                tier = 2;
            if (tier >= 0)
                hits.push_back({tier, m_picks.Count(addr), order, n});
        }
        std::stable_sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
            return a.tier != b.tier ? a.tier < b.tier : a.picks > b.picks;
        });
        std::vector<std::string> names;
        std::set<std::string> seen;
        for (const Hit& hit : hits) {
            std::string key = Folded(hit.node->psName ? hit.node->psName : "") + "|" + Folded(hit.node->psAddr);
            if (names.size() < 10 && seen.insert(key).second)
                names.push_back(Describe(hit.node, hit.tier));
        }
        return names;
    }

    static std::string Describe(const ADTDATA* node, int tier)
    {
        return std::to_string(tier) + ":" + (node->psName ? node->psName : "") + "<" + node->psAddr + ">";
    }

    static std::vector<std::string> Names(const std::vector<RecipientMatch>& matches)
    {
        std::vector<std::string> names;
        for (const RecipientMatch& match : matches)
            names.push_back(Describe(match.node, match.tier));
        return names;
    }
};

TEST(RecipientIndex, AgreesWithAWalkOfTheWholeStoreThroughEveryKindOfEdit)
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        IndexRun run(seed);
        run.Run(60);
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

}  // namespace
