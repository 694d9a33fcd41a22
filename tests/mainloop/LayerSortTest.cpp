// The frame's layer sort against the exchange sort it replaces: on random
// timelines and random active sets, frame after frame, every slot must end
// holding exactly the record the exchange sort leaves there.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/DemoCore.h"
#include "core/LayerSort.h"

namespace
{

// The reference: neighbours compared as unsigned layers, the records
// themselves exchanged inside the timeline when the earlier one is greater.
void ExchangeSort(const std::vector<TEffect*>& active)
{
    size_t n = active.size();
    for (size_t pass = n; pass >= 2; --pass)
        for (size_t j = 1; j < pass; ++j)
            if (static_cast<uint32_t>(active[j - 1]->LayerID) >
                static_cast<uint32_t>(active[j]->LayerID))
                std::swap(*active[j - 1], *active[j]);
}

// Every record is told apart by its start time; the effect pointer is unused.
std::vector<TEffect> RandomTimeline(std::mt19937& rng, size_t n, int layers)
{
    std::uniform_int_distribution<int> layer(-2, layers - 3);
    std::uniform_int_distribution<int> extreme(0, 9);
    std::vector<TEffect> timeline(n);
    for (size_t i = 0; i < n; ++i)
    {
        int32_t l = layer(rng);
        if (extreme(rng) == 0) // the ends of the signed range sort as unsigned
            l = extreme(rng) < 5 ? INT32_MIN : INT32_MAX;
        timeline[i] = TEffect{static_cast<float>(i), 0.0f, l, nullptr};
    }
    return timeline;
}

std::vector<TEffect*> RandomActiveSet(std::mt19937& rng, std::vector<TEffect>& timeline,
                                      double share)
{
    std::bernoulli_distribution active(share);
    std::vector<TEffect*> list;
    for (TEffect& e : timeline)
        if (active(rng))
            list.push_back(&e);
    return list;
}

void ExpectSameSlots(const std::vector<TEffect>& expected, const std::vector<TEffect>& actual)
{
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i)
    {
        ASSERT_EQ(expected[i].StartTime, actual[i].StartTime) << "slot " << i;
        ASSERT_EQ(expected[i].LayerID, actual[i].LayerID) << "slot " << i;
    }
}

TEST(LayerSortTest, LeavesEverySlotAsTheExchangeSortDoesFrameAfterFrame)
{
    std::mt19937 rng(1234);
    std::vector<TEffect> scratch;
    // Short lists (insertion runs only) up to several merge levels; few
    // layers (many ties) and many.
    const size_t sizes[] = {2, 3, 7, 16, 17, 33, 100, 513};
    const int layerCounts[] = {2, 5, 1000};
    for (size_t n : sizes)
        for (int layers : layerCounts)
        {
            std::vector<TEffect> reference = RandomTimeline(rng, n, layers);
            std::vector<TEffect> timeline = reference;
            scratch.reserve(2 * n);
            // Changing active sets carry records past inactive ones of the same
            // layer, which is where slot order and adding order part.
            for (int frame = 0; frame < 20; ++frame)
            {
                std::mt19937 pick(rng());
                std::mt19937 samePick = pick;
                double share = frame % 4 == 0 ? 1.0 : 0.6;
                std::vector<TEffect*> refActive = RandomActiveSet(pick, reference, share);
                std::vector<TEffect*> active = RandomActiveSet(samePick, timeline, share);
                ExchangeSort(refActive);
                SortByLayer(active, scratch);
                ExpectSameSlots(reference, timeline);
                if (HasFatalFailure())
                    return;
                for (size_t i = 1; i < active.size(); ++i)
                    ASSERT_LE(static_cast<uint32_t>(active[i - 1]->LayerID),
                              static_cast<uint32_t>(active[i]->LayerID));
            }
        }
}

} // namespace
