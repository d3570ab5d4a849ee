#include "tools/bglgen/BglWriter.h"

#include <bit>
#include <cmath>
#include <fstream>
#include <stdexcept>

namespace skf::bgl {

namespace {

class Bytes {
public:
    void u8(std::uint8_t v) { m_data.push_back(static_cast<char>(v)); }
    void u16(std::uint16_t v) {
        u8(static_cast<std::uint8_t>(v));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void f32(float v) { u32(std::bit_cast<std::uint32_t>(v)); }
    void put(const std::string& bytes) { m_data += bytes; }
    void pad4() {
        while (m_data.size() % 4 != 0)
            u8(0);
    }
    void setU32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            m_data[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFFU);
    }
    std::size_t size() const { return m_data.size(); }
    const std::string& str() const { return m_data; }

private:
    std::string m_data;
};

// A record: id, size (patched at the end), then the body.
class Record {
public:
    explicit Record(std::uint16_t id) {
        m_bytes.u16(id);
        m_bytes.u32(0);
    }
    Bytes& body() { return m_bytes; }
    std::string finish() {
        m_bytes.pad4();
        const auto size = static_cast<std::uint32_t>(m_bytes.size());
        std::string out = m_bytes.str();
        for (int i = 0; i < 4; ++i)
            out[2 + static_cast<std::size_t>(i)] = static_cast<char>((size >> (8 * i)) & 0xFFU);
        return out;
    }

private:
    Bytes m_bytes;
};

std::uint32_t lf_digit(char c) {
    if (c >= '0' && c <= '9')
        return static_cast<std::uint32_t>(c - '0') + 2;
    if (c >= 'A' && c <= 'Z')
        return static_cast<std::uint32_t>(c - 'A') + 12;
    throw std::invalid_argument("ident character out of range");
}

std::string lf_helipad(const Helipad& h) {
    Record r(0x26);
    Bytes& b = r.body();
    b.u16(1);                             // surface and type
    b.u32(0);                             // flags
    b.u32(gf_packLongitude(h.longitude)); // byte 12
    b.u32(gf_packLatitude(h.latitude));   // byte 16
    b.u32(0);                             // altitude
    b.f32(h.widthMetres);                 // length (byte 24)
    b.f32(h.widthMetres);                 // width (byte 28)
    b.f32(0.0F);                          // heading
    return r.finish();
}

std::string lf_parkings(const std::vector<Parking>& parkings) {
    Record r(0xE7);
    Bytes& b = r.body();
    b.u16(static_cast<std::uint16_t>(parkings.size())); // byte 6
    for (const Parking& p : parkings) {
        const auto airlines = static_cast<std::uint32_t>(p.airlines.size());
        b.u32((p.nameIndex & 0x3FU) | ((p.type & 0xFU) << 8) | ((p.number & 0xFFFU) << 12) | (airlines << 24));
        b.f32(p.radiusMetres);
        b.f32(p.headingDegrees);
        b.f32(1.5F); // tee offsets
        b.f32(3.0F);
        b.f32(0.0F);
        b.f32(0.0F);
        b.u32(gf_packLongitude(p.longitude)); // word 7
        b.u32(gf_packLatitude(p.latitude));   // word 8
        for (int i = 0; i < 5; ++i)
            b.u32(0); // vehicle and jetway data
        for (const std::string& code : p.airlines) {
            std::string four = code.substr(0, 4);
            four.resize(4, '\0');
            b.put(four);
        }
    }
    return r.finish();
}

std::string lf_name(const std::string& name) {
    Record r(0x19);
    r.body().put(name);
    r.body().u8(0);
    return r.finish();
}

std::string lf_filler(std::uint16_t id, int words) {
    Record r(id);
    for (int i = 0; i < words; ++i)
        r.body().u32(0x01010101U * static_cast<std::uint32_t>(i + 1));
    return r.finish();
}

std::string lf_airport(const Airport& a) {
    Record r(a.id);
    Bytes& b = r.body();
    b.u16(0);                                        // runway count and other small counts (bytes 6-7)
    b.u32(0);                                        // counts (bytes 8-11)
    b.u32(gf_packLongitude(a.longitude));            // byte 12
    b.u32(gf_packLatitude(a.latitude));              // byte 16
    b.u32(static_cast<std::uint32_t>(a.altitudeMm)); // byte 20
    for (int i = 0; i < 4; ++i)
        b.u32(0);                 // tower position (bytes 24-39)
    b.u32(gf_packIdent(a.ident)); // byte 40
    while (b.size() < 68)
        b.u8(0); // region ident, fuel, flags
    b.put(lf_name(a.name));
    for (const Helipad& h : a.helipadsBefore)
        b.put(lf_helipad(h));
    b.put(lf_filler(0xCE, 12)); // a runway-like subrecord the decoder steps over
    if (!a.parkings.empty())
        b.put(lf_parkings(a.parkings));
    for (const auto& group : a.moreParkingGroups)
        b.put(lf_parkings(group));
    for (const Helipad& h : a.helipadsAfter)
        b.put(lf_helipad(h));
    return r.finish();
}

struct Section {
    std::uint32_t type = 0;
    std::uint32_t flags = 0;
    std::string data;
    std::uint32_t records = 0;
};

} // namespace

std::uint32_t gf_packIdent(const std::string& ident) {
    std::uint32_t v = 0;
    for (char c : ident)
        v = v * 38 + lf_digit(c);
    return v << 5;
}

std::uint32_t gf_packLongitude(double longitude) {
    return static_cast<std::uint32_t>(std::llround((longitude + 180.0) * 805306368.0 / 360.0));
}

std::uint32_t gf_packLatitude(double latitude) {
    return static_cast<std::uint32_t>(std::llround((90.0 - latitude) * 536870912.0 / 180.0));
}

std::string gf_writeBgl(const File& file) {
    std::vector<Section> sections;
    for (int i = 0; i < file.otherSections; ++i) {
        Section s;
        s.type = 0x65 + static_cast<std::uint32_t>(i); // scenery objects and the like
        for (int r = 0; r < file.otherRecords; ++r)
            s.data += lf_filler(r % 2 == 0 ? 0x0B : 0x0D, r % 2 == 0 ? file.otherRecordWords : 3);
        s.records = static_cast<std::uint32_t>(file.otherRecords);
        sections.push_back(std::move(s));
    }
    if (!file.airports.empty()) {
        Section s;
        s.type = 3;
        s.flags = file.airportSectionSkipFlag ? 0x10000U : 0U;
        for (const Airport& a : file.airports)
            s.data += lf_airport(a);
        s.records = static_cast<std::uint32_t>(file.airports.size());
        sections.push_back(std::move(s)); // last: its records run to the end of the file
    }
    const auto count = static_cast<std::uint32_t>(sections.size());
    Bytes out;
    out.u32(0x19920201U); // magic
    out.u32(56);          // header size
    out.u32(0x01D5A1B2U); // file time
    out.u32(0x00000000U);
    out.u32(0x08051803U); // second magic
    out.u32(count);
    while (out.size() < 56)
        out.u8(0); // the area ids
    const std::size_t table = out.size();
    for (std::uint32_t i = 0; i < count; ++i)
        for (int k = 0; k < 5; ++k)
            out.u32(0);
    // Subsection tables (16 bytes each, one subsection per section), then the data.
    std::vector<std::size_t> subsections;
    for (std::uint32_t i = 0; i < count; ++i) {
        subsections.push_back(out.size());
        for (int k = 0; k < 4; ++k)
            out.u32(0);
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const Section& s = sections[i];
        const std::size_t at = table + 20 * std::size_t{i};
        out.setU32(at, s.type);
        out.setU32(at + 4, s.flags | 0x10U);
        out.setU32(at + 8, 1);
        out.setU32(at + 12, static_cast<std::uint32_t>(subsections[i]));
        out.setU32(at + 16, 16);
        out.setU32(subsections[i], 0x1000U + i);
        out.setU32(subsections[i] + 4, s.records);
        out.setU32(subsections[i] + 8, static_cast<std::uint32_t>(out.size()));
        out.setU32(subsections[i] + 12, static_cast<std::uint32_t>(s.data.size()));
        out.put(s.data);
    }
    return out.str();
}

void gf_writeBglFile(const File& file, const std::filesystem::path& path) {
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    const std::string bytes = gf_writeBgl(file);
    std::ofstream outFile(path, std::ios::binary | std::ios::trunc);
    outFile.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!outFile)
        throw std::runtime_error("cannot write " + path.string());
}

} // namespace skf::bgl
