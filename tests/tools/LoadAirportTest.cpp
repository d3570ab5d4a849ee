// The park airport of the generated load, read back with the program's own stand reader: a stand without
// flights under every aircraft of the load that stands still, and grid stands that can each take a static
// aircraft at any half hour of the week (one real flight covers it, no stand is another's neighbour), where
// no static aircraft shares a registration or a callsign with the load or with another stand.
#include "core/Files.h"
#include "core/Geometry.h"
#include "data/apf/ApfReader.h"
#include "liveries/LiveryTestSupport.h"
#include "support/TempFolder.h"
#include "tools/rtreplay/LoadAirport.h"

#include <gtest/gtest.h>
#include <map>
#include <pugixml.hpp>
#include <set>
#include <span>
#include <sstream>
#include <stdexcept>

namespace {

using namespace skf;

const std::filesystem::path kSampleDbase = std::filesystem::path(SKYFILL_SOURCE_DIR) / "sample" / "dbase.xml";

std::string lf_field(const std::string& line, std::size_t index) {
    std::istringstream in(line);
    std::string field;
    for (std::size_t i = 0; i <= index; ++i)
        std::getline(in, field, ',');
    return field;
}

TEST(LoadAirport, EveryStandTakesAStaticAircraftAtAnyHalfHourOfTheWeek) {
    test::loadSampleDbase();
    const auto airframes = rtreplay::readAirframes(kSampleDbase);
    rtreplay::LoadConfig load;
    load.aircraft = 500;
    load.seconds = 20.0;
    // The airframes the load flies are those of its feed.
    std::set<std::string> flown;
    for (const rtreplay::Airframe& frame : rtreplay::loadAirframes(load, airframes))
        flown.insert(frame.registration);
    std::set<std::string> inFeed;
    for (const rtreplay::FeedLine& line : rtreplay::generateLoad(load, airframes))
        inFeed.insert(lf_field(line.line, 11));
    EXPECT_EQ(inFeed, flown);

    for (const int count : {1, 320}) {
        SCOPED_TRACE(count);
        rtreplay::LoadAirportConfig airport;
        airport.stands = count;
        test::TempFolder folder;
        rtreplay::writeLoadAirport(airport, rtreplay::loadAirportStands(load, airport, airframes), folder / "EHAM.xml");
        pugi::xml_document doc;
        ASSERT_TRUE(gf_loadXml(doc, folder / "EHAM.xml"));
        std::vector<Stand> stands;
        lf_readParkpositions(doc, stands);
        gf_numberAndLinkStands(stands);
        const auto gates = rtreplay::loadGates(load, airframes);
        ASSERT_EQ(gates.size(), 150u); // parked aircraft and departures: 30 % of the load
        ASSERT_EQ(stands.size(), count + gates.size());
        for (std::size_t g = 0; g < gates.size(); ++g) {
            const Stand& stand = stands[static_cast<std::size_t>(count) + g];
            EXPECT_LT(gf_distanceNm(stand.latitude, stand.longitude, gates[g].latitude, gates[g].longitude), 1e-3);
            EXPECT_TRUE(stand.options.empty()) << stand.id;
        }
        std::map<std::string, std::string> standOf; // registration or callsign -> stand
        for (const Stand& stand : std::span(stands).first(static_cast<std::size_t>(count))) {
            EXPECT_TRUE(stand.adjacent.empty()) << stand.id;
            for (std::uint32_t day = 1; day <= 7; ++day)
                for (std::size_t half = 0; half < 48; ++half) {
                    int covering = 0;
                    for (const StandOpt& o : stand.options)
                        covering += o.real == 1 && o.day == day && o.halfHours.test(half) ? 1 : 0;
                    EXPECT_EQ(covering, 1) << stand.id << " day " << day << " half hour " << half;
                }
            for (const StandOpt& o : stand.options) {
                EXPECT_FALSE(flown.contains(o.registration)) << o.registration;
                EXPECT_NE(o.airline, 0) << o.registration;
                EXPECT_NE(o.model, 0) << o.registration;
                for (const std::string& key : {o.registration, o.callsign, o.callsign2}) {
                    const auto [it, added] = standOf.emplace(key, stand.id);
                    EXPECT_TRUE(added || it->second == stand.id) << key << " on " << it->second << " and " << stand.id;
                }
            }
        }
        const pugi::xml_node parameters = doc.child("root").child("parameters");
        EXPECT_TRUE(parameters.find_child_by_attribute("name", "Qf_real")) << "quality factor";
        EXPECT_EQ(parameters.find_child_by_attribute("name", "num_parkpos").attribute("value").as_int(),
                  static_cast<int>(stands.size()));
    }

    rtreplay::LoadAirportConfig tooMany;
    tooMany.stands = static_cast<int>(airframes.size());
    EXPECT_THROW((void)rtreplay::loadAirportStands(load, tooMany, airframes), std::runtime_error);
}

} // namespace
