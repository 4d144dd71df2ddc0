#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>
#include "window/SendEntries.h"
#include "window/SendListRules.h"

using namespace SendListRules;

namespace {

// The duplicate test as a plain scan of every entry: the rule itself, which the index
// must answer exactly.
struct ScannedList {
    std::vector<std::string> texts;
    std::vector<int32_t> keys;

    bool Blocks(int type, const std::string& key) const
    {
        for (const std::string& text : texts) {
            if (BlocksNewEntry(text, type, key))
                return true;
        }
        return false;
    }
};

// Texts built from pieces that meet at awkward places: Shift-JIS characters whose trail
// byte is "@" (ァ) or a blank-like 0x40 (the full-width space), lone lead bytes, brackets,
// prefixes and the "[ReplyTo]" marker inside a text.
std::string RandomText(std::mt19937& random)
{
    static const char* const pieces[] = {"a", "b", "@", "x", "<", ">", " ", "　", "ァ", "\x83", "山",
                                         "ab@x", "[ReplyTo]", "[CC] ", "Reply", "To]", ".jp", "p0x1"};
    std::uniform_int_distribution<size_t> piece(0, sizeof pieces / sizeof pieces[0] - 1);
    std::uniform_int_distribution<int> length(0, 9);
    std::string text;
    for (int i = length(random); i > 0; --i)
        text += pieces[piece(random)];
    return text;
}

TEST(SendEntries, TheIndexRefusesExactlyWhatAScanOfEveryEntryRefuses)
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> type(SEND_TO, SEND_REPLYTO);
        std::uniform_int_distribution<int> action(0, 99);
        CSendEntries entries;
        ScannedList scanned;
        for (int step = 0; step < 4000; ++step) {
            int roll = action(random);
            // Phases that remove more than they add let the index rebuild its runs.
            bool removing = (step / 500) % 3 == 2;
            if (!scanned.texts.empty() && roll < (removing ? 50 : 10)) {
                size_t position = std::uniform_int_distribution<size_t>(0, scanned.texts.size() - 1)(random);
                entries.Erase(position);
                scanned.texts.erase(scanned.texts.begin() + static_cast<std::ptrdiff_t>(position));
                scanned.keys.erase(scanned.keys.begin() + static_cast<std::ptrdiff_t>(position));
                continue;
            }
            if (roll == 99) {
                entries.Clear();
                scanned = ScannedList();
                continue;
            }
            int newType = type(random);
            std::string text = RandomText(random);
            std::string key = AddressKey(text);
            bool blocked = scanned.Blocks(newType, key);
            ASSERT_EQ(blocked, entries.Blocks(newType, key))
                << "seed " << seed << " step " << step << " key \"" << key << "\"";
            if (blocked)
                continue;
            int32_t sortKey = SortKey(newType, text);
            size_t position = entries.PositionFor(sortKey);
            entries.Insert(Prefix(newType) + text, sortKey);
            scanned.texts.insert(scanned.texts.begin() + static_cast<std::ptrdiff_t>(position), Prefix(newType) + text);
            scanned.keys.insert(scanned.keys.begin() + static_cast<std::ptrdiff_t>(position), sortKey);
        }
        ASSERT_EQ(scanned.texts.size(), entries.Size());
        for (size_t i = 0; i < scanned.texts.size(); ++i) {
            EXPECT_EQ(scanned.texts[i], entries.Text(i));
            if (i > 0) {
                EXPECT_LE(scanned.keys[i - 1], scanned.keys[i]);
            }
        }
    }
}

}  // namespace
