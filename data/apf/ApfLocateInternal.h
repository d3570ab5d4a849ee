#pragma once
// The steps of finding and fetching an airport's parking file; used inside data/ and by the tests only.
#include "data/apf/ApfLocate.h"

namespace skf {

// Reads a link file: true and its first line (trailing white space removed) in `out` when that
// line names an .xml file.
bool lf_readApfLink(const std::filesystem::path& path, std::string& out);

// Downloads an archive path into `target`. Returns the empty text on success, else
// "failed to download: '{}'" with the address (also logged). A fetch of the same pair that finished on
// a worker (ApfFetch.h) is taken instead of downloading again.
std::string lf_downloadApf(std::string_view archivePath, const std::filesystem::path& target);

} // namespace skf
