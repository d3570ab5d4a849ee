// Placeholder of the livery scan: nothing is scanned.
#include "liveries/LiveryServices.h"

namespace skf {

void gf_scanLiveries() {} // no package scanned

std::string lf_stockModelOfBaseContainer(std::string_view) {
    return {};
}

} // namespace skf
