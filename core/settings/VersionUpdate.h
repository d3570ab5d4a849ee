#pragma once
// The settings start: load parameters.xml and react to how it came about (first start, program update,
// same version).

namespace skf {

// Loads the settings; at a first start switches both scans on; after a program update records the running
// version and either resets the settings file (too old to convert) or converts in place (new livery scan,
// obsolete files removed). File-system errors of the removals outside the guarded listing propagate as
// std::filesystem::filesystem_error naming "exists" or "remove" and the path.
void gf_checkParametersVersion();

} // namespace skf
