// The ring queue against std::deque: the same operations leave the same values in the same order, across the
// ring's wrap and its growth; a queue that slides along keeps its storage.
#include "core/RingQueue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <ostream>
#include <random>

namespace skf {
namespace {

struct Mix {
    const char* name;
    unsigned seed;
    int pushes; // weights of the operations
    int popFronts;
    int popBacks;
    int inserts;
    int erases;
    friend void PrintTo(const Mix& mix, std::ostream* out) { *out << mix.name; }
};

class RingQueueMix : public ::testing::TestWithParam<Mix> {};

TEST_P(RingQueueMix, HoldsWhatADequeHolds) {
    const Mix& mix = GetParam();
    std::mt19937 random(mix.seed);
    std::discrete_distribution<int> pick({double(mix.pushes), double(mix.popFronts), double(mix.popBacks),
                                          double(mix.inserts), double(mix.erases), 1.0});
    RingQueue<int> ring;
    std::deque<int> model;
    for (int step = 0; step < 5000; ++step) {
        const int at = model.empty() ? 0 : static_cast<int>(random() % model.size());
        switch (model.empty() ? 0 : pick(random)) {
        case 0:
            ring.push_back(step);
            model.push_back(step);
            break;
        case 1:
            ring.pop_front();
            model.pop_front();
            break;
        case 2:
            ring.pop_back();
            model.pop_back();
            break;
        case 3:
            EXPECT_EQ(*ring.insert(ring.begin() + at, -step), -step);
            model.insert(model.begin() + at, -step);
            break;
        case 4: {
            const int count = std::min<int>(1 + static_cast<int>(random() % 3), static_cast<int>(model.size()) - at);
            ring.erase(ring.begin() + at, ring.begin() + at + count);
            model.erase(model.begin() + at, model.begin() + at + count);
            break;
        }
        default: // a value of the queue pushed onto it, also when the ring grows
            ring.push_back(ring.front());
            model.push_back(model.front());
        }
        ASSERT_EQ(ring.size(), model.size()) << "step " << step;
        ASSERT_TRUE(std::equal(ring.begin(), ring.end(), model.begin(), model.end())) << "step " << step;
        if (!model.empty()) {
            ASSERT_EQ(ring.front(), model.front());
            ASSERT_EQ(ring.back(), model.back());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Mixes, RingQueueMix,
                         ::testing::Values(Mix{"slides", 1, 10, 10, 0, 0, 0}, Mix{"grows", 2, 20, 5, 5, 2, 2},
                                           Mix{"shrinks", 3, 10, 8, 8, 1, 1}, Mix{"edits", 4, 10, 4, 4, 8, 8}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RingQueueTest, AQueueThatSlidesAlongKeepsItsStorage) {
    RingQueue<int> ring;
    for (int i = 0; i < 10; ++i)
        ring.push_back(i);
    const std::size_t capacity = ring.capacity();
    const int* storage = &ring.front();
    for (int i = 10; i < 100000; ++i) {
        ring.push_back(i);
        ring.pop_front();
    }
    EXPECT_EQ(ring.capacity(), capacity);
    EXPECT_EQ(ring.front(), 99990);
    EXPECT_EQ(&ring.front() - storage, 99990 % static_cast<std::ptrdiff_t>(capacity)); // the same slots, wrapped
}

} // namespace
} // namespace skf
