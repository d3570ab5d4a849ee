#include "data/apf/QualityFactor.h"
#include "data/apf/QualityFactorInternal.h"

#include <gtest/gtest.h>

namespace skf {
namespace {

StandOpt lf_opt(uint32_t number, uint32_t day, std::initializer_list<int> slots, uint32_t real = 1) {
    StandOpt o;
    o.number = number;
    o.day = day;
    o.real = real;
    for (int s : slots) {
        o.halfHours.set(static_cast<size_t>(s));
    }
    return o;
}

Stand lf_stand(std::vector<StandOpt> opts) {
    return Stand("S", std::move(opts), 1.0, 1.0, 0.0, 30.0, false, false, false);
}

TEST(QualityFactorTest, ExamplesOfTheScore) {
    // one real option on one day covering two half hours: 63.275 -> 63, soft stays 0
    std::vector<Stand> one;
    one.push_back(lf_stand({lf_opt(1, 3, {10, 11})}));
    EXPECT_EQ(gf_qualityFactor(one), (QualityFactor{63, 0}));

    // two stands of equal weight, one without options: 31.63 -> 32
    std::vector<Stand> two;
    two.push_back(lf_stand({}));
    two.push_back(lf_stand({lf_opt(1, 3, {10})}));
    EXPECT_EQ(gf_qualityFactor(two), (QualityFactor{32, 0}));

    // every stand with one real option on one half hour gives 63
    std::vector<Stand> many;
    for (int i = 0; i < 5; ++i)
        many.push_back(lf_stand({lf_opt(1, 1, {0})}));
    EXPECT_EQ(gf_qualityFactor(many).real, 63);
}

TEST(QualityFactorTest, EmptyTablesAndDisabledOptions) {
    EXPECT_EQ(gf_qualityFactor(std::vector<Stand>{}), (QualityFactor{-1, -1}));
    std::vector<Stand> none;
    none.push_back(lf_stand({}));
    EXPECT_EQ(gf_qualityFactor(none), (QualityFactor{-1, -1}));
    // only options with number 0: they count for nothing but prevent (-1, -1)
    std::vector<Stand> disabled;
    disabled.push_back(lf_stand({lf_opt(0, 1, {1, 2, 3}), lf_opt(0, 2, {4}, 0)}));
    EXPECT_EQ(gf_qualityFactor(disabled), (QualityFactor{0, 0}));
}

TEST(QualityFactorTest, CountAndMaskTermsAreCapped) {
    std::vector<StandOpt> opts;
    for (uint32_t i = 1; i <= 250; ++i)
        opts.push_back(lf_opt(i, 1 + i % 7, {}));
    std::vector<Stand> counted;
    counted.push_back(lf_stand(opts));
    // (4000 + 10000 + 700 + 0) / 160 = 91.875 -> 92
    EXPECT_EQ(gf_qualityFactor(counted).real, 92);

    std::vector<StandOpt> wide;
    for (uint32_t i = 1; i <= 15; ++i) { // 15 x 47 = 705 half hours
        StandOpt o = lf_opt(i, 1, {});
        for (int s = 0; s < 47; ++s)
            o.halfHours.set(static_cast<size_t>(s));
        wide.push_back(o);
    }
    std::vector<Stand> masked;
    masked.push_back(lf_stand(wide));
    // (300 + 10000 + 100 + 1200) / 160 = 72.5 -> 73 (halves away from zero)
    EXPECT_EQ(gf_qualityFactor(masked).real, 73);
}

TEST(QualityFactorTest, SoftOptionsScoreSeparately) {
    std::vector<Stand> t;
    t.push_back(lf_stand({lf_opt(1, 1, {5}, 0), lf_opt(2, 2, {6}, 0)}));
    // soft: (40 + 10000 + 200 + 4) / 160 = 64.025 -> 64
    EXPECT_EQ(gf_qualityFactor(t), (QualityFactor{0, 64}));
}

TEST(QualityFactorTest, DisplayText) {
    EXPECT_EQ(lf_qualityFactorText({44, 7}), "44/ 7");
    EXPECT_EQ(lf_qualityFactorText({45, 7}), "45");
    EXPECT_EQ(lf_qualityFactorText({-1, -1}), "  ");
    EXPECT_EQ(lf_qualityFactorText({-1, 3}), "-1/ 3");
}

} // namespace
} // namespace skf
