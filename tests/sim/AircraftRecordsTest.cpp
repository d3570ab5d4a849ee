#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "sim/AircraftRecords.h"

namespace skf {
namespace {

TrafficRecord recordWith(std::string_view origin, std::string_view destination) {
    TrafficRecord record;
    record.callsign = "KLM1234";
    record.registration = "PH-BXA";
    record.origin = gf_routeCode(origin);
    record.destination = gf_routeCode(destination);
    return record;
}

TEST(AircraftRecordLabels, RouteLabelShowsUnsetCodesAsBlanks) {
    EXPECT_EQ(gf_routeLabel(recordWith("", "")), "        ");
    EXPECT_EQ(gf_routeLabel(recordWith("", "XYZ")), "   ->XYZ");
    EXPECT_EQ(gf_routeLabel(recordWith("AMS", "")), "AMS->   ");
    EXPECT_EQ(gf_routeLabel(recordWith("AMS", "JFK")), "AMS->JFK");
    // Short codes are padded, longer ones keep their first three characters.
    EXPECT_EQ(gf_routeLabel(recordWith("LA", "EHAM")), "LA ->EHA");
    EXPECT_EQ(gf_routeCodeText(gf_routeCode("A")), "A  ");
}

TEST(AircraftRecordLabels, DescriptionsHaveTheirFixedShape) {
    TrafficRecord record = recordWith("AMS", "JFK");
    EXPECT_EQ(gf_callsignPadded(record), "KLM1234 ");
    EXPECT_EQ(gf_aircraftIdText(record), "KLM1234  PH-BXA   AMS->JFK");
    // Ids that are not in their pools give empty codes.
    const std::string emptyLabel(8, ' '); // "{:3} {:4}" of two empty codes
    EXPECT_EQ(gf_airlineTypeLabel(record), emptyLabel);
    EXPECT_EQ(gf_airlineTypeLabel(std::pair<std::uint16_t, std::uint16_t>{60000, 60001}), emptyLabel);
    EXPECT_EQ(gf_aircraftText(record), "KLM1234  PH-BXA   AMS->JFK " + emptyLabel);
    EXPECT_EQ(gf_aircraftText3(record), "KLM1234  PH-BXA " + emptyLabel);
    EXPECT_EQ(gf_matchingKey(record), emptyLabel + " PH-BXA");
}

TEST(AircraftRecordLabels, AirlineFromCallsign) {
    EXPECT_EQ(gf_airlineFromCallsign("ABC123"), std::optional<std::string>("ABC"));
    EXPECT_EQ(gf_airlineFromCallsign("abc1"), std::optional<std::string>("ABC"));
    EXPECT_FALSE(gf_airlineFromCallsign("AB1234"));
    EXPECT_FALSE(gf_airlineFromCallsign("ABC"));
    EXPECT_FALSE(gf_airlineFromCallsign("ABCD12"));
}

TEST(AircraftRecordLabels, UsableCallsigns) {
    TrafficRecord record;
    EXPECT_FALSE(gf_isUsableCallsign(record));
    record.callsign = "@@@@@@@@";
    EXPECT_FALSE(gf_isUsableCallsign(record));
    record.callsign = "ABCDEFGHI";
    EXPECT_FALSE(gf_isUsableCallsign(record));
    record.callsign = "ABCDEFGH";
    EXPECT_TRUE(gf_isUsableCallsign(record));
}

TEST(AircraftRecordEnums, NamesAndOutOfRange) {
    EXPECT_EQ(gf_simStatusName(SimStatus::liveryrespawn), "liveryrespawn");
    EXPECT_EQ(gf_flightPhaseName(FlightPhase::birth), "birth");
    EXPECT_EQ(gf_flightPhaseName(FlightPhase::pushing_back), "pushing_back");
    try {
        (void)gf_simStatusName(static_cast<SimStatus>(9));
        FAIL() << "no exception";
    } catch (const std::out_of_range& error) {
        EXPECT_STREQ(error.what(), "invalid unordered_map<K, T> key");
    }
    EXPECT_THROW((void)gf_flightPhaseName(static_cast<FlightPhase>(8)), std::out_of_range);
}

TEST(AircraftRecords, MoveLeavesTheSourceStringsEmpty) {
    TrafficRecord source = recordWith("AMS", "JFK");
    source.firstCallsign = "KLM1";
    source.secondCallsign = "KLM2";
    TrafficRecord target = std::move(source);
    EXPECT_EQ(target.callsign, "KLM1234");
    EXPECT_EQ(target.secondCallsign, "KLM2");
    EXPECT_TRUE(source.callsign.empty());
    EXPECT_TRUE(source.firstCallsign.empty());
    EXPECT_TRUE(source.secondCallsign.empty());
    EXPECT_TRUE(source.registration.empty());
}

TEST(AircraftRecords, NewParkedAircraftStartsInBuffer) {
    FlightRecord flight = gf_makeFlightRecord(recordWith("AMS", "JFK"));
    ParkedAircraft parked(std::move(flight), 17, 52.3, 4.76, 1.5, 1);
    EXPECT_EQ(parked.objectId, 0U);
    EXPECT_EQ(parked.simStatus, SimStatus::buffer);
    EXPECT_EQ(parked.throttleIndex, 5U);
    EXPECT_EQ(parked.flapsIndex, 4U);
    EXPECT_EQ(parked.removeWhenAdded, 0);
    EXPECT_EQ(parked.erase, 0);
    EXPECT_EQ(parked.eraseCreationCancelled, 0);
    EXPECT_EQ(parked.standId, 17);
    EXPECT_DOUBLE_EQ(parked.standLat, 52.3);
    EXPECT_EQ(parked.standCargo, 1);
    EXPECT_EQ(parked.callsign, "KLM1234");
    EXPECT_TRUE(flight.callsign.empty());
}

TEST(AircraftRecords, FlightValuesAreSpreadToExactlyPlusOrMinus) {
    // A model of no known category is Light: take-off -9 degrees +-2.5 %, climb -15 degrees +-5 %.
    const double deg = 0.017453292519943295;
    bool sawBothTakeOffSigns[2] = {false, false};
    for (int i = 0; i < 64; ++i) {
        const FlightRecord flight = gf_makeFlightRecord(TrafficRecord{});
        ASSERT_EQ(flight.category, SizeCategory::Light);
        const bool low = std::fabs(flight.takeOffPitch - (-9.225 * deg)) < 1e-12;
        const bool high = std::fabs(flight.takeOffPitch - (-8.775 * deg)) < 1e-12;
        ASSERT_TRUE(low || high) << flight.takeOffPitch / deg;
        sawBothTakeOffSigns[low ? 0 : 1] = true;
        const bool climbOk = std::fabs(flight.climbPitch - (-15.75 * deg)) < 1e-12 ||
                             std::fabs(flight.climbPitch - (-14.25 * deg)) < 1e-12;
        ASSERT_TRUE(climbOk) << flight.climbPitch / deg;
        EXPECT_EQ(flight.flarePitchSteps, 250U);
        EXPECT_EQ(flight.onGroundSlots, 250U);
        EXPECT_EQ(flight.takeOffPitchSteps, 100U);
        EXPECT_EQ(flight.climbPitchSteps, 200U);
        EXPECT_NEAR(flight.nominalTurnRate, 0.15 * deg, 1e-15);
        EXPECT_EQ(flight.turnRate, 0.0);
        EXPECT_EQ(flight.halfWingspanNm, 0.0);
    }
    EXPECT_TRUE(sawBothTakeOffSigns[0] && sawBothTakeOffSigns[1]);
}

} // namespace
} // namespace skf
