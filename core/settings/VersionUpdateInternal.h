#pragma once
// The steps of the settings' version update; used inside core/ only.
#include "core/settings/VersionUpdate.h"

namespace skf {

// True when the stored version is older than 11.0.2 (the caller then resets the file).
bool lf_versionUpdate();

} // namespace skf
