#pragma once
// The sample add-on airports of a local run and of the scan tests: a few packages with scenery files made
// by the BGL writer and manifests naming their publishers, written below a Community folder.

#include <filesystem>

namespace skf::bgl {

// Writes the sample packages of the chosen simulator (2020 or 2024) below `community`; files that are
// already there are replaced.
void gf_writeSampleCommunity(const std::filesystem::path& community, int simulator);

} // namespace skf::bgl
