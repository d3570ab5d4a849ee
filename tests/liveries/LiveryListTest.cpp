// The livery list: order, duplicates, and LiveriesScanned.xml written and read back.
#include "core/Codes.h"
#include "data/StringPool.h"
#include "liveries/LiveryList.h"
#include "liveries/LiveryListInternal.h"
#include "support/LogText.h"
#include "support/TempFolder.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using skf::LiveryData;
using skf::LiveryList;
namespace fs = std::filesystem;

LiveryData livery(std::string_view airline, std::string_view model, std::string title, std::string regcode = {},
                  bool cargo = false, std::int16_t priority = 3) {
    return LiveryData{std::move(title),           std::move(regcode), skf::gf_internOperator(airline),
                      skf::gf_internModel(model), priority,           cargo};
}

std::vector<std::string> titles(const LiveryList& list) {
    std::vector<std::string> out;
    for (const LiveryData& l : list)
        out.push_back(l.title);
    return out;
}

class LiveryListTest : public ::testing::Test {
protected:
    void SetUp() override { skf::gf_openLogIn(dir.path()); }
    void TearDown() override { skf::gf_closeLog(); }
    std::string log() const { return skf::test::logTextIn(dir.path()); }
    fs::path file() const { return dir / "LiveriesScanned.xml"; }
    skf::test::TempFolder dir;
};

TEST_F(LiveryListTest, SortsByAirlineCodeThenModelThenTitleAndKeepsEqualRecordsInOrder) {
    LiveryList list{livery("ABC", "A320", "x"),    livery("AB", "B738", "y"),        livery("DLH", "B744", "b"),
                    livery("DLH", "A320", "z"),    livery("DLH", "A320", "a", "r1"), livery("DLH", "A320", "a", "r2"),
                    livery("", "C172", "generic"), livery("ZZZ", "A320", "zzz")};
    skf::gf_sortLiveries(list);
    EXPECT_EQ(titles(list), (std::vector<std::string>{"generic", "y", "x", "a", "a", "z", "b", "zzz"}));
    EXPECT_EQ(std::next(list.begin(), 3)->regcode, "r1"); // stable
}

// Codes interned in an order unlike their byte order, many equal keys: the same order as a stable sort by
// lf_compareLiveries on the codes' texts (the sort compares their places).
TEST_F(LiveryListTest, SortGivesTheOrderOfTheComparison) {
    const char* airlines[] = {"ZZ9", "AAL", "", "AA", "KLM", "Q8Z", "aal"};
    const char* models[] = {"B77W", "A20N", "", "A20", "B738"};
    LiveryList list;
    unsigned state = 7;
    for (int i = 0; i < 500; ++i) {
        state = state * 1103515245u + 12345u;
        list.push_back(livery(airlines[(state >> 8) % 7], models[(state >> 12) % 5],
                              fmt::format("t{}", (state >> 16) % 9), fmt::format("r{}", i)));
    }
    std::vector<LiveryData> want(list.begin(), list.end());
    std::stable_sort(want.begin(), want.end(),
                     [](const LiveryData& a, const LiveryData& b) { return skf::lf_compareLiveries(a, b); });
    skf::gf_sortLiveries(list);
    std::vector<std::string> got, expected;
    for (const LiveryData& l : list)
        got.push_back(l.regcode);
    for (const LiveryData& l : want)
        expected.push_back(l.regcode);
    EXPECT_EQ(got, expected);
}

TEST_F(LiveryListTest, DuplicatesDifferOnlyInPriority) {
    struct Case {
        const char* what;
        LiveryData second;
        std::size_t removed;
    };
    const LiveryData first = livery("KLM", "B738", "KLM 738", "PH-BXA", false, 1);
    const std::vector<Case> cases{
        {"priority only", livery("KLM", "B738", "KLM 738", "PH-BXA", false, 7), 1},
        {"regcode", livery("KLM", "B738", "KLM 738", "PH-BXB", false, 1), 0},
        {"cargo flag", livery("KLM", "B738", "KLM 738", "PH-BXA", true, 1), 0},
        {"title", livery("KLM", "B738", "KLM 738 old", "PH-BXA", false, 1), 0},
    };
    for (const Case& c : cases) {
        LiveryList list{first, c.second, c.second};
        EXPECT_EQ(skf::lf_removeDuplicateLiveries(list), c.removed + 1) << c.what;
        EXPECT_EQ(list.front().priority, 1) << c.what; // the first of a run stays
    }
}

TEST_F(LiveryListTest, RoundTripKeepsCargoRegcodeAndEmptyAirline) {
    const LiveryList written{livery("", "C172", "Cessna Skyhawk Plain"),
                             livery("FDX", "B77L", "Boeing 777F FedEx", "N850FD", true),
                             livery("KLM", "B738", "Boeing 737-800 KLM \"Orange\" & <Pride>", "PH-BXA")};
    ASSERT_TRUE(skf::lf_writeLiveriesScanned(written, file()));
    const std::string xml = skf::test::readBytes(file());
    EXPECT_NE(xml.find(R"(<l a="" m="C172" t="Cessna Skyhawk Plain" />)"), std::string::npos) << xml;
    EXPECT_NE(xml.find(R"(<l a="FDX" m="B77L" c="true" t="Boeing 777F FedEx" r="N850FD" />)"), std::string::npos);
    EXPECT_NE(xml.find(R"(<info name="version" value="11.11.3" />)"), std::string::npos);
    EXPECT_NE(log().find(fmt::format("3 liveries in {}", file().string())), std::string::npos);

    LiveryList read{livery("OLD", "A320", "left over")};
    skf::lf_readLiveriesScanned(read, file());
    ASSERT_EQ(read.size(), 3u);
    LiveryList expected = written;
    for (LiveryData& l : expected)
        l.priority = 0;
    EXPECT_EQ(read, expected);
    EXPECT_EQ(read.front().airline, 0);
    EXPECT_NE(log().find(fmt::format("    3 liveries read from {}", file().string())), std::string::npos);
}

TEST_F(LiveryListTest, ReadSortsAndInternsUnknownCodes) {
    skf::test::writeBytes(file(), R"(<root><liveries>
        <x a="QQX" m="ZZ99" t="b"/><l a="AAA" m="A320" t="z" c="yes"/><l a="QQX" m="ZZ99" t="a"/>
        </liveries></root>)");
    LiveryList read;
    skf::lf_readLiveriesScanned(read, file());
    EXPECT_EQ(titles(read), (std::vector<std::string>{"z", "a", "b"}));
    EXPECT_TRUE(read.front().cargo);
    EXPECT_EQ(skf::gf_modelName(read.back().model), "ZZ99");
}

TEST_F(LiveryListTest, EachErrorCode) {
    struct Case {
        const char* what;
        const char* xml; // nullptr: no file
        std::string message;
        std::size_t left;
    };
    const std::string p = file().string();
    const std::vector<Case> cases{
        {"missing file", nullptr, fmt::format("51: File {} not found", p), 0},
        {"not XML", "<root><liveries>", fmt::format("51: File {} not found", p), 0},
        {"no liveries", "<root><other/></root>", fmt::format("52: {} does not contain a <liveries> section", p), 0},
        {"no root", "<top><liveries><l a='' m='' t='x'/></liveries></top>",
         fmt::format("533: {} does not contain liveries", p), 0},
        {"empty liveries", "<root><liveries/></root>", fmt::format("533: {} does not contain liveries", p), 0},
        {"no title", "<root><liveries><l a='KLM' m='B738' t='ok'/><l a='KLM' m='B738'/></liveries></root>",
         "999: Missing required attribute 't' in <l>", 1},
        {"no airline", "<root><liveries><l m='B738' t='x'/></liveries></root>",
         "999: Missing required attribute 'a' in <l>", 0},
        {"no model", "<root><liveries><e a='' t='x'/></liveries></root>", "999: Missing required attribute 'm' in <e>",
         0},
    };
    for (const Case& c : cases) {
        fs::remove(file());
        if (c.xml)
            skf::test::writeBytes(file(), c.xml);
        LiveryList read{livery("OLD", "A320", "left over")};
        try {
            skf::lf_readLiveriesScanned(read, file());
            ADD_FAILURE() << c.what << ": no error";
        } catch (const skf::UserErrorException& e) {
            EXPECT_EQ(std::string(e.what()), c.message) << c.what;
        }
        EXPECT_EQ(read.size(), c.left) << c.what;
    }
}

TEST_F(LiveryListTest, EmptyListWritesNothingAndLogsNothing) {
    EXPECT_TRUE(skf::lf_writeLiveriesScanned(LiveryList{}, file()));
    EXPECT_FALSE(fs::exists(file()));
    EXPECT_EQ(log().find("liveries in"), std::string::npos);
}

TEST_F(LiveryListTest, FailedSaveIsReportedAndKeepsTheOldFile) {
    // The file's place cannot take a new file: a folder that is in fact a file (also for root).
    skf::test::writeBytes(dir / "output", "old contents");
    const fs::path blocked = dir / "output" / "LiveriesScanned.xml";
    EXPECT_FALSE(skf::lf_writeLiveriesScanned(LiveryList{livery("KLM", "B738", "new")}, blocked));
    EXPECT_EQ(skf::test::readBytes(dir / "output"), "old contents");
    EXPECT_NE(log().find(fmt::format("==> Failed to write {}", blocked.string())), std::string::npos);
    EXPECT_EQ(log().find("liveries in"), std::string::npos);
}

} // namespace
