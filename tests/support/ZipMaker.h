#pragma once
// Test helper: writes a zip archive with the given entries (name -> content) through libzip.
#include <zip.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace skf::test {

inline void makeZip(const std::filesystem::path& path,
                    const std::vector<std::pair<std::string, std::string>>& entries) {
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr)
        throw std::runtime_error("makeZip: cannot create " + path.string());
    for (const auto& [name, content] : entries) {
        if (!name.empty() && name.back() == '/') {
            zip_dir_add(archive, name.c_str(), ZIP_FL_ENC_UTF_8);
            continue;
        }
        // libzip frees the copy when it is done with it.
        void* copy = std::malloc(content.size() + 1);
        std::memcpy(copy, content.data(), content.size());
        zip_source_t* source = zip_source_buffer(archive, copy, content.size(), 1);
        if (source == nullptr || zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE) < 0) {
            zip_discard(archive);
            throw std::runtime_error("makeZip: cannot add " + name);
        }
    }
    if (zip_close(archive) != 0)
        throw std::runtime_error("makeZip: cannot write " + path.string());
}

} // namespace skf::test
