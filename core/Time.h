#pragma once
// Time texts, the weekday and half hour of now, and half-hour sets. All UTC.
//
// Half-hour set: bit i (least significant first) stands for slot i of the day
// (slot 2h = hh:00:00..hh:29:29, slot 2h+1 = hh:29:30..hh:59:59); bits 48-63 are 0.

#include "core/ProgramState.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace skf {

using HalfHourSet = std::uint64_t;

// "Jan" .. "Dec" ("Okt" for October) for 1..12, "???" outside.
std::string_view gf_monthName(int month) noexcept;
// "Mon" .. "Sun" for 1 (Monday) .. 7 (Sunday), "???" outside.
std::string_view gf_weekdayName(int weekday) noexcept;

// "{:3} {:3} {:02} {:02}:{:02}:{:02} {:4}" of weekday, month, day, time and year, for
// example "Sat Dec 05 19:32:59 2026"; "Invalid time" when the time has no calendar
// form. Safe for every input.
std::string gf_utcTimeText(std::int64_t secondsSince1970);

// Seconds since 1970 as a double (from the network or the simulator) truncated to a
// whole number; nothing for NaN, infinities and values outside the 64-bit range.
std::optional<std::int64_t> gf_epochSecondsOf(double seconds) noexcept;

// The system clock's current time in seconds since 1970.
std::int64_t gf_systemClockSeconds() noexcept;

// The program clock: while the professional level of the live traffic feed is on
// (g_rtProfessional) the traffic reader's last traffic time (g_lastTrafficTime,
// whole seconds) when it is a usable time other than 0; otherwise the system clock.
std::int64_t gf_programClockSeconds() noexcept;

// "hh:mm:ss" of the system clock (UTC); "Invalid time" when it cannot be converted.
std::string gf_timeOfDayText();
// "hh:mm:ss" of the program clock.
std::string gf_simTimeOfDayText();
// "hh:mm:ss" of a given time, or "Invalid time".
std::string gf_timeOfDayTextOf(std::int64_t secondsSince1970);
// "Mon DD, YYYY" of the system clock, e.g. "Dec 05, 2026" (the settings file header).
std::string gf_dateText();

// Weekday (1 = Monday .. 7 = Sunday) and half-hour slot (0..47) of a time; -1 each
// when the time has no calendar form.
DayAndSlot gf_weekdayAndHalfHourOf(std::int64_t secondsSince1970) noexcept;
// The same for one reading of the program clock.
std::pair<std::int32_t, std::int32_t> gf_weekdayAndHalfHour() noexcept;
// Renews g_dayAndSlotNow from one reading of the program clock and returns it.
DayAndSlot gf_renewDayAndSlotNow() noexcept;

// ---- Half-hour sets ---------------------------------------------------------------

// The set of a text: a range "a:b" (a <= b), one number, or a list "a,b,c". Never
// throws; every problem is an error line in the log and gives the empty set (range)
// or leaves out the bad piece (list).
HalfHourSet gf_hours2bitset(std::string_view text);
// "3,4,10": the set slots in ascending order; nothing for the empty set.
std::optional<std::string> gf_bitsetToList(HalfHourSet set);
// "3:5" for a run, "7" for one slot; nothing for the empty set or a set with gaps.
std::optional<std::string> gf_bitsetToRange(HalfHourSet set);

} // namespace skf
