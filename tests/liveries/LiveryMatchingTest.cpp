// The matching cascades over a small world of liveries, at every depth, with RANDOM off.
#include "core/Codes.h"
#include "core/Text.h"
#include "data/apf/Stand.h"
#include "liveries/LiveryMatching.h"
#include "LiveryWorld.h"
#include "liveries/LiveryTablesInternal.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <numeric>

namespace {

using skf::FlightRecord;
using skf::SizeCategory;

FlightRecord aircraft(std::string_view airline, std::string_view model, std::string registration, SizeCategory category,
                      bool cargo = false) {
    FlightRecord r;
    r.airlineId = skf::gf_internOperator(airline);
    r.modelId = skf::gf_internModel(model);
    r.registration = std::move(registration);
    r.callsign = "TST123";
    r.category = category;
    r.cargo = cargo ? 1 : 0;
    return r;
}

class LiveryMatchingTest : public ::testing::Test {
protected:
    void SetUp() override { skf::gf_processScannedLiveries(); }
    skf::test::LiveryWorld world{"livery_matching"};

    // The title and the step counted by one live match ("" and -1: no livery).
    std::pair<std::string, int> live(FlightRecord r) {
        const auto before = skf::g_matchStepCounts;
        skf::gf_matchLiveryForLive(r);
        for (std::size_t s = 0; s < before.size(); ++s)
            if (skf::g_matchStepCounts[s] != before[s])
                return {std::string(r.liveryTitle), static_cast<int>(s)};
        return {std::string(r.liveryTitle), -1};
    }
};

TEST_F(LiveryMatchingTest, EveryStepAtEveryDepth) {
    using Result = std::pair<std::string, int>;
    const Result none{"", -1};
    struct Case {
        const char* what;
        FlightRecord record;
        Result byDepth[4]; // depth 1..4
    };
    const Result unique{"DLH B744", 0}, regcode{"KLM A320 Blue", 1}, own{"KLM A320 Blue", 2}, byDbase{"DLH A320", 2},
        similar{"KLM A320 Blue", 3}, generic{"Generic A320", 4}, pvtGeneric{"Generic C172", 4},
        anyAirline{"Cessna 182 Plain", 5}, freight{"Cessna 182 Freight", 5}, substitute{"Generic C172", 6},
        pool{"FSLTL_NetJets CL35", 6}, cargo{"FedEx B744F", 2}, cargoOnPax{"DLH B744", 2};
    const std::vector<Case> cases{
        {"unique regcode (user file)",
         aircraft("DLH", "B744", "PH-UNQ", SizeCategory::Heavy),
         {unique, unique, unique, unique}},
        {"in-line regcode", aircraft("", "", "PH-AAA", SizeCategory::Large), {regcode, regcode, regcode, regcode}},
        {"AIG regcode", aircraft("", "", "PH-AIG", SizeCategory::Large), {regcode, regcode, regcode, regcode}},
        {"special but not unique",
         aircraft("", "", "D-ABC2", SizeCategory::Large),
         {{"DLH A320", 1}, {"DLH A320", 1}, {"DLH A320", 1}, {"DLH A320", 1}}},
        {"code of a title not installed", aircraft("", "", "PH-NOT", SizeCategory::Large), {none, none, none, none}},
        {"airline and model, special title skipped",
         aircraft("KLM", "A320", "PH-XYZ", SizeCategory::Large),
         {none, own, own, own}},
        {"database operator",
         aircraft("XYZ", "A320", "D-AIZZ", SizeCategory::Large),
         {none, byDbase, byDbase, byDbase}},
        {"similar model", aircraft("KLM", "A321", "", SizeCategory::Large), {none, none, similar, similar}},
        {"generic of a Large model only at depth 4",
         aircraft("XYZ", "A320", "", SizeCategory::Large),
         {none, none, none, generic}},
        {"PVT takes the generic first",
         aircraft("PVT", "C172", "", SizeCategory::Light),
         {none, pvtGeneric, pvtGeneric, pvtGeneric}},
        {"generic of a Light model at depth 3",
         aircraft("XYZ", "C172", "", SizeCategory::Light),
         {none, none, pvtGeneric, pvtGeneric}},
        {"any airline", aircraft("XYZ", "C182", "", SizeCategory::Light), {none, none, anyAirline, anyAirline}},
        {"any airline, cargo takes cargo",
         aircraft("XYZ", "C182", "", SizeCategory::Light, true),
         {none, none, freight, freight}},
        {"substitute model from the similar types",
         aircraft("XYZ", "PA28", "", SizeCategory::Light),
         {none, none, substitute, substitute}},
        {"substitute model from the category pool",
         aircraft("XYZ", "C25A", "", SizeCategory::Buzjets),
         {none, none, pool, pool}},
        {"cargo livery for a cargo aircraft",
         aircraft("FDX", "B744", "", SizeCategory::Heavy, true),
         {none, cargo, cargo, cargo}},
        {"cargo aircraft falls back to passenger",
         aircraft("DLH", "B744", "", SizeCategory::Heavy, true),
         {none, cargoOnPax, cargoOnPax, cargoOnPax}},
        {"passenger aircraft never takes cargo",
         aircraft("FDX", "B744", "", SizeCategory::Heavy),
         {none, none, none, none}},
    };
    for (int depth = 1; depth <= 4; ++depth) {
        skf::MATCHING_DEPTH.set(depth);
        for (const Case& c : cases)
            EXPECT_EQ(live(c.record), c.byDepth[depth - 1]) << c.what << " at depth " << depth;
    }
    EXPECT_NE(world.log().find("          TST123   PH-UNQ            DLH B744 =0= DLH B744"), std::string::npos)
        << world.log();
}

TEST_F(LiveryMatchingTest, FsltlTitlesAreMarked) {
    FlightRecord r = aircraft("XYZ", "C25A", "", SizeCategory::Buzjets);
    skf::gf_matchLiveryForLive(r);
    EXPECT_EQ(r.fsltlFlag, 1);
    r = aircraft("KLM", "A320", "", SizeCategory::Large);
    r.fsltlFlag = 1;
    skf::gf_matchLiveryForLive(r);
    EXPECT_EQ(r.fsltlFlag, 0);
}

TEST_F(LiveryMatchingTest, ParkedCascadeTakesTheStandsCargoFlagAndLogsItsDecision) {
    skf::Stand paxStand("B12", {}, 0, 0, 0, 30, false, false, false);
    skf::Stand cargoStand("F3", {}, 0, 0, 0, 30, true, false, false);
    struct Case {
        const char* what;
        FlightRecord record;
        const skf::Stand* stand;
        std::string title;
        std::string logLine;
    };
    FlightRecord carried = aircraft("KLM", "A320", "", SizeCategory::Large);
    carried.liveryTitle = "Given Title";
    const std::vector<Case> cases{
        {"carried title", carried, &paxStand, "Given Title", "=s= Given Title"},
        {"regcode", aircraft("", "", "PH-UNQ", SizeCategory::Large), &paxStand, "DLH B744", "=0= DLH B744"},
        {"cargo stand", aircraft("FDX", "B744", "", SizeCategory::Heavy), &cargoStand, "FedEx B744F",
         "=2= FedEx B744F"},
        {"passenger stand", aircraft("FDX", "B744", "", SizeCategory::Heavy), &paxStand, "", "F3      : " /* never */},
        {"no airline uses airline id 0", aircraft("", "C182", "", SizeCategory::Light), &paxStand, "Cessna 182 Plain",
         "=2= Cessna 182 Plain"},
        {"similar model", aircraft("KLM", "A321", "", SizeCategory::Large), &paxStand, "KLM A320 Blue",
         "=3= KLM A320 Blue"},
    };
    for (const Case& c : cases) {
        FlightRecord r = c.record;
        EXPECT_EQ(skf::gf_matchLiveryForParked(r, *c.stand), !c.title.empty()) << c.what;
        EXPECT_EQ(r.liveryTitle, c.title) << c.what;
        EXPECT_EQ(r.cargo != 0, c.title == "Given Title" ? false : c.stand->cargo) << c.what;
        if (!c.title.empty()) {
            EXPECT_NE(world.log().find(c.logLine), std::string::npos) << c.what;
        }
    }
    const std::string log = world.log();
    const auto noMatch = log.find("B12     : TST123 ");
    ASSERT_NE(noMatch, std::string::npos) << log;
    EXPECT_EQ(log.substr(log.find('\n', noMatch) - 28, 28), "FDX B744 no livery match ...");
    EXPECT_EQ(std::accumulate(skf::g_matchStepCounts.begin(), skf::g_matchStepCounts.end(), 0), 0);
}

TEST_F(LiveryMatchingTest, RefusedTitlesAreNeverChosenAgain) {
    FlightRecord r = aircraft("KLM", "A320", "PH-AAA", SizeCategory::Large);
    r.liveryTitle = skf::lf_storedTitle("KLM A320 Blue");
    skf::gf_reportLiveryNotCreated(r);
    EXPECT_NE(world.log().find("TST123 'KLM A320 Blue' could not be created by your Sim!"), std::string::npos);

    // The regcode title failed: the next steps run; of the airline's two titles only the special one is left,
    // which the pick avoids, so the generic livery is taken.
    EXPECT_EQ(live(aircraft("KLM", "A320", "PH-AAA", SizeCategory::Large)),
              std::make_pair(std::string("Generic A320"), 4));
    EXPECT_EQ(live(aircraft("KLM", "A321", "", SizeCategory::Large)), std::make_pair(std::string(), -1));
    FlightRecord parked = aircraft("KLM", "A320", "PH-AAA", SizeCategory::Large);
    skf::Stand stand("C1", {}, 0, 0, 0, 30, false, false, false);
    EXPECT_TRUE(skf::gf_matchLiveryForParked(parked, stand));
    EXPECT_EQ(parked.liveryTitle, "Generic A320");

    skf::g_liveryTitleById[10001] = skf::lf_storedTitle("KLM A320 Blue");
    skf::g_liveryTitleById[10002] = skf::lf_storedTitle("DLH A320");
    EXPECT_FALSE(skf::gf_liveryTitleForId(10001).has_value());
    EXPECT_FALSE(skf::g_liveryTitleById.contains(10001)); // forgotten
    EXPECT_EQ(skf::gf_liveryTitleForId(10002), "DLH A320");
    EXPECT_FALSE(skf::gf_liveryTitleForId(10003).has_value());
}

TEST_F(LiveryMatchingTest, TwentiethDistinctRefusalEndsTheRun) {
    FlightRecord r = aircraft("KLM", "A320", "", SizeCategory::Large);
    std::vector<std::string> titles;
    for (int i = 1; i <= 21; ++i)
        titles.push_back(fmt::format("Refused {}", i));
    for (int i = 0; i < 19; ++i) {
        r.liveryTitle = titles[static_cast<std::size_t>(i)];
        EXPECT_NO_THROW(skf::gf_reportLiveryNotCreated(r)) << i + 1;
    }
    r.liveryTitle = titles[3];
    EXPECT_NO_THROW(skf::gf_reportLiveryNotCreated(r)); // the same title again
    EXPECT_EQ(skf::gf_failedLiveryTitleCount(), 19u);
    for (int i : {19, 20, 3}) {
        r.liveryTitle = titles[static_cast<std::size_t>(i)];
        try {
            skf::gf_reportLiveryNotCreated(r);
            ADD_FAILURE() << "no error at " << i + 1;
        } catch (const skf::UserErrorException& e) {
            EXPECT_STREQ(e.what(), "81: There are too many liveries that could not be created!, see Log.txt");
        }
    }
    EXPECT_NE(world.log().find("\n===> Error 81, There are too many liveries that could not be created!\n"),
              std::string::npos);
}

TEST_F(LiveryMatchingTest, SummaryAndUnmatchedNames) {
    FlightRecord refused = aircraft("KLM", "A320", "", SizeCategory::Large);
    refused.liveryTitle = "Refused";
    skf::gf_reportLiveryNotCreated(refused);
    skf::gf_logLiveryMatchingSummary(); // every count 0: nothing, even with a refused title
    EXPECT_EQ(world.log().find("livery matching summary"), std::string::npos);

    live(aircraft("KLM", "A320", "PH-AAA", SizeCategory::Large));
    live(aircraft("KLM", "A321", "", SizeCategory::Large));
    live(aircraft("KLM", "A321", "", SizeCategory::Large));
    skf::gf_logLiveryMatchingSummary();
    const std::string banner(100, '*');
    const std::string expected = "\n" +
                                 skf::gf_bannerLine(100, 0, false, false, "live traffic livery matching summary") +
                                 "\nMatches at step: \n  0: 0\n  1: 1\n  2: 0\n  3: 2\n  4: 0\n  5: 0\n  6: 0\n"
                                 "\nCould not be created\n  A320 KLM\n" +
                                 skf::gf_bannerLine(100, 0, false, true, "") + "\n";
    EXPECT_NE(world.log().find(expected), std::string::npos) << world.log();

    skf::gf_logUnmatchedNames(); // nothing yet
    EXPECT_EQ(world.log().find("No match found for:"), std::string::npos);
    skf::g_noLiveryKeys.insert("FDX B744 N1");
    skf::gf_logUnmatchedNames();
    EXPECT_NE(world.log().find("\nNo match found for:\nFDX B744 N1\n\n"), std::string::npos);
    EXPECT_EQ(skf::g_noLiveryKeys.size(), 1u); // printed, not emptied
}

} // namespace
