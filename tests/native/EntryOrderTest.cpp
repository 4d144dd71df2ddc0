#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include <vector>
#include "window/EntryOrder.h"

namespace {

// Thousands of inserts and removals, so that blocks fill, split and empty, against a plain
// array kept in order the slow way: places, values and the order of equal keys must agree.
TEST(EntryOrder, AgreesWithASortedArrayThroughSplitsAndRemovals)
{
    std::mt19937 random(7);
    for (int keys : {3, 40, 100000}) {
        CEntryOrder order;
        std::vector<std::pair<int32_t, uint32_t>> oracle;
        std::uniform_int_distribution<int32_t> key(-keys, keys);
        for (uint32_t step = 0; step < 12000; ++step) {
            // Mostly adding until the list holds several blocks, then mostly removing.
            bool removing = step > 7000 ? random() % 4 != 0 : random() % 5 == 0;
            if (removing && !oracle.empty()) {
                size_t place = std::uniform_int_distribution<size_t>(0, oracle.size() - 1)(random);
                order.Erase(place);
                oracle.erase(oracle.begin() + static_cast<std::ptrdiff_t>(place));
                continue;
            }
            // A run of ascending keys now and then, as a folder of sorted names adds them.
            int32_t k = step % 1000 < 600 ? key(random) : static_cast<int32_t>(step) - 600;
            auto after = std::upper_bound(oracle.begin(), oracle.end(), k,
                                          [](int32_t value, const auto& entry) { return value < entry.first; });
            size_t expected = static_cast<size_t>(after - oracle.begin());
            ASSERT_EQ(expected, order.PlaceFor(k)) << "keys " << keys << " step " << step;
            ASSERT_EQ(expected, order.Insert(k, step)) << "keys " << keys << " step " << step;
            oracle.insert(after, {k, step});
        }
        ASSERT_EQ(oracle.size(), order.Size());
        for (size_t place = 0; place < oracle.size(); ++place)
            ASSERT_EQ(oracle[place].second, order.Value(place)) << "keys " << keys << " place " << place;
        order.Erase(order.Size());  // past the end: nothing happens
        // Emptied from random places, every block goes, and the order starts again.
        while (!oracle.empty()) {
            size_t place = std::uniform_int_distribution<size_t>(0, oracle.size() - 1)(random);
            order.Erase(place);
            oracle.erase(oracle.begin() + static_cast<std::ptrdiff_t>(place));
            if (!oracle.empty()) {
                ASSERT_EQ(oracle[place % oracle.size()].second, order.Value(place % oracle.size()));
            }
        }
        EXPECT_EQ(0u, order.Size());
        EXPECT_EQ(0u, order.Insert(5, 1));
        EXPECT_EQ(1u, order.Value(0));
    }
}

}  // namespace
