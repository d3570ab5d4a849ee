#include "data/ZipWriter.h"

#include "data/ZipArchive.h"

#include <zip.h>

namespace skf {

ZipWriter::~ZipWriter() {
    if (m_zip != nullptr)
        zip_discard(m_zip);
}

bool ZipWriter::open(const std::filesystem::path& path) {
    if (m_zip != nullptr)
        zip_discard(m_zip);
    m_zip = gf_openZip(path, ZIP_CREATE | ZIP_TRUNCATE, m_lastError);
    return m_zip != nullptr;
}

bool ZipWriter::addData(const std::string& name, std::span<const char> data) {
    if (m_zip == nullptr)
        return false;
    zip_source_t* source = zip_source_buffer(m_zip, data.data(), data.size(), 0); // not freed by libzip
    if (source == nullptr) {
        m_lastError = zip_strerror(m_zip);
        return false;
    }
    if (zip_file_add(m_zip, name.c_str(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
        m_lastError = zip_strerror(m_zip);
        zip_source_free(source);
        return false;
    }
    return true;
}

bool ZipWriter::close() {
    if (m_zip == nullptr)
        return false;
    if (zip_close(m_zip) != 0) {
        m_lastError = zip_strerror(m_zip);
        zip_discard(m_zip);
        m_zip = nullptr;
        return false;
    }
    m_zip = nullptr;
    return true;
}

} // namespace skf
