// The QNH reader's datagram handler: {"QNH": value} in hectopascals or hundredths of an inch of mercury.
#include "core/Log.h"
#include "core/Text.h"
#include "core/WindowFields.h"
#include "feed/UdpReader.h"

#include <charconv>
#include <fmt/format.h>
#include <gsl/gsl>
#include <nlohmann/json.hpp>
#include <algorithm>

namespace skf {

void QnhReader::processQnh(std::string_view datagram) {
    try {
        const nlohmann::json document = nlohmann::json::parse(datagram);
        const auto member = document.is_object() ? document.find("QNH") : document.end();
        if (member == document.end() || member->is_null()) {
            m_faults[kNoQnh].log([datagram] { return fmt::format("no QNH {}", datagram); });
            return;
        }
        int value = 1013;
        if (member->is_number_integer()) {
            value = member->is_number_unsigned() ? gsl::narrow<int>(member->get<std::uint64_t>())
                                                 : gsl::narrow<int>(member->get<std::int64_t>());
        } else if (member->is_number_float()) {
            value = gf_roundToInt32(member->get<double>());
        } else if (member->is_string()) {
            const auto& text = member->get_ref<const std::string&>();
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (error != std::errc()) {
                m_faults[kParseError].log(
                    [&] { return fmt::format("QNH string parse error: {} in {}", text, datagram); }, true);
                return;
            }
        } else {
            m_faults[kNoQnh].log([datagram] { return fmt::format("no QNH {}", datagram); });
            return;
        }
        if (value > 1100)
            value = gf_roundToInt32(value * 0.33865307);
        value = std::clamp(value, 900, 1100);

        if (value == lastQnh.load() && value != 1013)
            return;
        lastQnh = value;
        g_qnh = value;
        g_mainWindow.qnh = value;
        std::int32_t stale = READER_STALE;
        g_mainWindow.weatherReaderState.compare_exchange_strong(stale, READER_RECEIVING);
        gf_markChanged(BAND_INDICATORS);
    } catch (const std::exception& e) {
        m_faults[kException].log([&] { return fmt::format("Exception {}, in {}", e.what(), datagram); });
    }
}

} // namespace skf
