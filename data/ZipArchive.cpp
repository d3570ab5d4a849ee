#include "data/ZipArchive.h"

#include <zip.h>

#include <utility>
#include <vector>

namespace skf {

ZipArchive::~ZipArchive() {
    close();
}

ZipArchive::ZipArchive(ZipArchive&& other) noexcept
    : m_zip(std::exchange(other.m_zip, nullptr)), m_lastError(std::move(other.m_lastError)) {}

ZipArchive& ZipArchive::operator=(ZipArchive&& other) noexcept {
    if (this != &other) {
        close();
        m_zip = std::exchange(other.m_zip, nullptr);
        m_lastError = std::move(other.m_lastError);
    }
    return *this;
}

zip* gf_openZip(const std::filesystem::path& path, int flags, std::string& error) {
    int code = 0;
    zip* archive = zip_open(path.c_str(), flags, &code);
    if (archive == nullptr) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, code);
        error = zip_error_strerror(&ze);
        zip_error_fini(&ze);
    }
    return archive;
}

bool ZipArchive::open(const std::filesystem::path& path) {
    close();
    m_zip = gf_openZip(path, ZIP_RDONLY, m_lastError);
    return m_zip != nullptr;
}

void ZipArchive::close() {
    if (m_zip != nullptr) {
        zip_discard(m_zip); // read-only: nothing to write back
        m_zip = nullptr;
    }
}

std::int64_t ZipArchive::entryCount() const {
    return m_zip ? zip_get_num_entries(m_zip, 0) : 0;
}

std::string ZipArchive::entryName(std::int64_t index) const {
    if (!m_zip)
        return {};
    const char* name = zip_get_name(m_zip, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_GUESS);
    return name ? std::string(name) : std::string();
}

int ZipArchive::readEntry(std::int64_t index, std::size_t chunkSize,
                          const std::function<bool(std::span<const char>)>& sink) const {
    if (!m_zip)
        return ZIP_ER_INVAL;
    if (chunkSize == 0)
        chunkSize = 65536;
    zip_file_t* file = zip_fopen_index(m_zip, static_cast<zip_uint64_t>(index), 0);
    if (file == nullptr) {
        zip_error_t* ze = zip_get_error(m_zip);
        m_lastError = zip_error_strerror(ze);
        const int code = zip_error_code_zip(ze);
        return code != 0 ? code : ZIP_ER_READ;
    }
    std::vector<char> buffer(chunkSize);
    int result = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(file, buffer.data(), buffer.size());
        if (n < 0) {
            zip_error_t* ze = zip_file_get_error(file);
            m_lastError = zip_error_strerror(ze);
            result = zip_error_code_zip(ze);
            if (result == 0)
                result = ZIP_ER_READ;
            break;
        }
        if (n == 0)
            break;
        if (!sink(std::span<const char>(buffer.data(), static_cast<std::size_t>(n)))) {
            m_lastError = "write failed";
            result = -1;
            break;
        }
    }
    zip_fclose(file);
    return result;
}

int ZipArchive::readEntry(std::int64_t index, std::string& out) const {
    out.clear();
    return readEntry(index, 65536, [&out](std::span<const char> chunk) {
        out.append(chunk.data(), chunk.size());
        return true;
    });
}

} // namespace skf
