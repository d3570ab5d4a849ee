#pragma once
// The pieces of the parking file writer; used inside data/ only.
#include "data/apf/ApfWriter.h"

namespace skf {

// Appends the `parameters` block under `root`; false when an element cannot be added.
bool lf_writeApfParameters(pugi::xml_node& root, const Apf& apf, int mode);

} // namespace skf
