#pragma once
// The quality factor's text; used inside data/ and by the tests only.
#include "data/apf/QualityFactor.h"

namespace skf {

// The pair as shown in the main window and the log.
std::string lf_qualityFactorText(QualityFactor qf);
std::string lf_qualityFactorText();

} // namespace skf
