#pragma once
// The thread bodies of the UDP readers; used inside feed/ and by the tests only.
#include "feed/UdpReader.h"

namespace skf {

// Thread bodies of the two UDP readers.
void lf_qnhReaderThread(std::uint16_t port);
void lf_trafficReaderThread(bool realTrafficLocal, std::uint16_t port);

} // namespace skf
