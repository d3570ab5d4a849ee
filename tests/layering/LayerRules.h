#pragma once
// The include rules of the source tree, checked by walking it: which folder may include which, which headers
// stay inside their folder, and where lf_ functions may be declared. Reads files only; used by the layering
// tests on the real tree and on small trees they make to prove each rule bites.
#include <filesystem>
#include <string>
#include <vector>

namespace skf::layering {

// The program's folders, lowest first. A folder includes headers of its own folder and of lower ranks only;
// folders of one rank (the feed, the liveries and the airport scan) do not include each other.
struct Layer {
    std::string folder;
    int rank;
};
const std::vector<Layer>& gf_programLayers();

// A header that only the named folders may include (besides its own folder).
struct RestrictedHeader {
    std::string header;
    std::vector<std::string> allowedFolders;
};
// The headers of the real tree that must stay out of most folders.
const std::vector<RestrictedHeader>& gf_restrictedHeaders();

// One broken rule: the file, and a sentence saying which rule and how to mend it.
struct Breach {
    std::string file;
    std::string text;
};

// Checks every .h/.cpp below the program folders of root (relative include paths as in `#include "core/Log.h"`).
// Rules: (1) a file includes no header of a folder above its own or of a peer folder; (2) an internal header
// (a name ending in Internal.h, or below a detail/ folder) is reached only from its own folder; (3) a header
// that declares an lf_ function is reached from no other folder, directly or through headers of its folder;
// (4) a restricted header is included only by its own and its allowed folders.
std::vector<Breach> gf_checkLayering(const std::filesystem::path& root, const std::vector<Layer>& layers,
                                     const std::vector<RestrictedHeader>& restricted);

} // namespace skf::layering
