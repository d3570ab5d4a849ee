#include "core/Time.h"
#include "core/TimeInternal.h"

#include "core/Log.h"
#include "core/Text.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <ctime>
#include <fmt/format.h>
#include <limits>

namespace skf {

namespace {

constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Okt", "Nov", "Dec"};
constexpr std::array<std::string_view, 7> kWeekdays = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

constexpr HalfHourSet kAllSlots = (HalfHourSet{1} << 48) - 1;

// UTC calendar time of a time; false when it has none (the year does not fit).
bool lf_utcCalendar(std::int64_t seconds, std::tm& out) noexcept {
    if (seconds < std::numeric_limits<std::time_t>::min() || seconds > std::numeric_limits<std::time_t>::max())
        return false;
    const auto t = static_cast<std::time_t>(seconds);
    return gmtime_r(&t, &out) != nullptr;
}

// 1 = Monday .. 7 = Sunday.
int lf_weekdayOf(const std::tm& tm) noexcept {
    return tm.tm_wday == 0 ? 7 : tm.tm_wday;
}

} // namespace

std::string_view gf_monthName(int month) noexcept {
    return (month >= 1 && month <= 12) ? kMonths[static_cast<std::size_t>(month - 1)] : std::string_view("???");
}

std::string_view gf_weekdayName(int weekday) noexcept {
    return (weekday >= 1 && weekday <= 7) ? kWeekdays[static_cast<std::size_t>(weekday - 1)] : std::string_view("???");
}

std::string gf_utcTimeText(std::int64_t secondsSince1970) {
    std::tm tm{};
    if (!lf_utcCalendar(secondsSince1970, tm))
        return "Invalid time";
    return fmt::format("{:3} {:3} {:02} {:02}:{:02}:{:02} {:4}", gf_weekdayName(lf_weekdayOf(tm)),
                       gf_monthName(tm.tm_mon + 1), tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                       static_cast<std::int64_t>(tm.tm_year) + 1900);
}

std::optional<std::int64_t> gf_epochSecondsOf(double seconds) noexcept {
    // 2^63 is exactly representable; every finite double below it in magnitude
    // truncates to a valid 64-bit integer.
    constexpr double kLimit = 9223372036854775808.0;
    if (!std::isfinite(seconds) || seconds >= kLimit || seconds < -kLimit)
        return std::nullopt;
    return static_cast<std::int64_t>(seconds);
}

std::int64_t gf_systemClockSeconds() noexcept {
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::int64_t gf_programClockSeconds() noexcept {
    if (g_rtProfessional.load()) {
        const auto t = gf_epochSecondsOf(g_lastTrafficTime.load());
        if (t && *t != 0)
            return *t;
    }
    return gf_systemClockSeconds();
}

std::string gf_timeOfDayTextOf(std::int64_t secondsSince1970) {
    std::tm tm{};
    if (!lf_utcCalendar(secondsSince1970, tm))
        return "Invalid time";
    return fmt::format("{:02}:{:02}:{:02}", tm.tm_hour, tm.tm_min, tm.tm_sec);
}

std::string gf_timeOfDayText() {
    return gf_timeOfDayTextOf(gf_systemClockSeconds());
}

std::string gf_simTimeOfDayText() {
    return gf_timeOfDayTextOf(gf_programClockSeconds());
}

std::string gf_dateText() {
    std::tm tm{};
    if (!lf_utcCalendar(gf_systemClockSeconds(), tm))
        return "Invalid time";
    return fmt::format("{} {:02}, {:4}", gf_monthName(tm.tm_mon + 1), tm.tm_mday,
                       static_cast<std::int64_t>(tm.tm_year) + 1900);
}

DayAndSlot gf_weekdayAndHalfHourOf(std::int64_t secondsSince1970) noexcept {
    std::tm tm{};
    if (!lf_utcCalendar(secondsSince1970, tm))
        return DayAndSlot{-1, -1};
    std::int32_t slot = 2 * tm.tm_hour;
    if (tm.tm_min > 29 || (tm.tm_min == 29 && tm.tm_sec >= 30))
        slot += 1;
    return DayAndSlot{lf_weekdayOf(tm), slot % 48};
}

std::pair<std::int32_t, std::int32_t> gf_weekdayAndHalfHour() noexcept {
    // One reading of the clock for both, so that the weekday and the slot always
    // belong to the same moment (also across midnight).
    const auto ds = gf_weekdayAndHalfHourOf(gf_programClockSeconds());
    return {ds.day, ds.slot};
}

DayAndSlot gf_renewDayAndSlotNow() noexcept {
    const auto ds = gf_weekdayAndHalfHourOf(gf_programClockSeconds());
    g_dayAndSlotNow.store(ds);
    return ds;
}

// ---- Half-hour sets ---------------------------------------------------------------

std::optional<std::int32_t> lf_parseHalfHour(std::string_view piece, std::string_view wholeText) {
    const std::string_view t = gf_trimWhiteSpace(piece);
    std::int32_t v = 0;
    const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v, 10);
    (void)ptr;
    if (ec == std::errc() && static_cast<std::uint32_t>(v) <= 47)
        return v;
    gf_logError(fmt::format("{} invalid hour '{}' in {}", "operator ()", t, wholeText));
    return std::nullopt;
}

HalfHourSet gf_hours2bitset(std::string_view text) {
    HalfHourSet set = 0;
    if (text.empty())
        return set;

    if (text.find(':') != std::string_view::npos) {
        std::int32_t numbers[2] = {0, 0};
        int count = 0;
        int pieces = 0;
        bool failed = false;
        std::size_t start = 0;
        while (true) {
            const auto pos = text.find(':', start);
            const auto piece = text.substr(start, pos == std::string_view::npos ? std::string_view::npos : pos - start);
            if (++pieces == 3) {
                gf_logError(fmt::format("{} more than one colon char in: {}", "gf_hours2bitset", text));
                return 0;
            }
            if (const auto v = lf_parseHalfHour(piece, text))
                numbers[count++] = *v;
            else
                failed = true;
            if (pos == std::string_view::npos)
                break;
            start = pos + 1;
        }
        if (failed)
            return 0;
        if (count == 1)
            return HalfHourSet{1} << numbers[0];
        if (count != 2) {
            gf_logError(fmt::format("{} invalid range format in {}", "gf_hours2bitset", text));
            return 0;
        }
        const auto a = numbers[0];
        const auto b2 = numbers[1];
        if (b2 < a) {
            gf_logError(fmt::format("{} descending range not allowed ({}:{} in {})", "gf_hours2bitset", a, b2, text));
            return 0;
        }
        for (auto i = a; i <= b2; ++i)
            set |= HalfHourSet{1} << i;
        return set;
    }

    std::size_t start = 0;
    while (true) {
        const auto pos = text.find(',', start);
        const auto piece = text.substr(start, pos == std::string_view::npos ? std::string_view::npos : pos - start);
        if (const auto v = lf_parseHalfHour(piece, text))
            set |= HalfHourSet{1} << *v;
        if (pos == std::string_view::npos)
            break;
        start = pos + 1;
    }
    return set;
}

std::optional<std::string> gf_bitsetToList(HalfHourSet set) {
    set &= kAllSlots;
    if (set == 0)
        return std::nullopt;
    std::string out;
    for (int i = 0; i < 48; ++i) {
        if ((set >> i) & 1U) {
            if (!out.empty())
                out += ',';
            out += fmt::format("{}", i);
        }
    }
    return out;
}

std::optional<std::string> gf_bitsetToRange(HalfHourSet set) {
    set &= kAllSlots;
    if (set == 0)
        return std::nullopt;
    const int a = std::countr_zero(set);
    const int b = 63 - std::countl_zero(set);
    if (std::popcount(set) != b - a + 1)
        return std::nullopt;
    if (a == b)
        return fmt::format("{}", a);
    return fmt::format("{}:{}", a, b);
}

} // namespace skf
