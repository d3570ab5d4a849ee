#pragma once
// The small golden scenery file of the decoder tests (tests/airportscan/golden/golden.bgl): both airport
// forms, helipads before and after the parkings, airports of helipads only (one followed by the next
// record, one at the end of the file), duplicate, dropped and skipped parkings, a second taxiway-parking
// subrecord, and other sections.

#include "tools/bglgen/BglWriter.h"

namespace skf::bgl {

File gf_goldenBgl();

} // namespace skf::bgl
