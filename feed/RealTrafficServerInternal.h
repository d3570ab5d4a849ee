#pragma once
// The steps of the RealTraffic server's reader; used inside feed/ only.
#include "feed/RealTrafficServer.h"

namespace skf {

// Reads RealTraffic's version reply (a JSON object with "level" and "version"): the edition and its text.
void lf_processRTVersion(std::string_view reply);

} // namespace skf
