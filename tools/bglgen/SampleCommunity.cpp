#include "tools/bglgen/SampleCommunity.h"

#include <cmath>
#include <fstream>
#include <stdexcept>
#include <string>

#include "tools/bglgen/BglWriter.h"

namespace skf::bgl {

namespace fs = std::filesystem;

namespace {

void lf_writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

void lf_manifest(const fs::path& package, const std::string& title, const std::string& manufacturer,
                 const std::string& creator) {
    lf_writeText(package / "manifest.json",
                 "{\n  \"dependencies\": [],\n  \"content_type\": \"SCENERY\",\n  \"title\": \"" + title +
                     "\",\n  \"manufacturer\": \"" + manufacturer + "\",\n  \"creator\": \"" + creator +
                     "\",\n  \"package_version\": \"1.0.0\",\n  \"minimum_game_version\": \"1.37.19\"\n}\n");
}

// A row of gates east of the airport reference point, with a few cargo and ramp stands.
Airport lf_airport(const std::string& ident, double lat, double lon, double elevationFeet, int gates, int helipads) {
    Airport a;
    a.ident = ident;
    a.latitude = lat;
    a.longitude = lon;
    a.altitudeMm = static_cast<std::int32_t>(std::lround(elevationFeet * 304.8));
    a.name = ident + " sample";
    for (int i = 0; i < gates; ++i) {
        Parking p;
        p.nameIndex = i % 10 == 9 ? 2U : 12U + static_cast<unsigned>(i / 30); // A.., B.., and a few "p"
        p.type = i % 10 == 9 ? 5U : (i % 7 == 6 ? 3U : 9U);                   // cargo, ramp, gate
        p.number = static_cast<unsigned>(i % 30 + 1);
        p.radiusMetres = i % 5 == 0 ? 36.0F : 24.5F;
        p.headingDegrees = static_cast<float>((i * 15) % 360);
        p.latitude = lat + 0.0004 * (i % 30);
        p.longitude = lon + 0.0008 + 0.0006 * (i / 30);
        if (i % 4 == 0)
            p.airlines = {"BAW", "EZY"};
        a.parkings.push_back(p);
    }
    for (int h = 0; h < helipads; ++h)
        a.helipadsBefore.push_back(Helipad{lat - 0.001 * (h + 1), lon - 0.001, 18.0F});
    return a;
}

void lf_sample2020(const fs::path& community) {
    // Named by the publishers table through the folder name; the archive has the airport with more stands.
    const fs::path northwind = community / "northwind-scenery-egkk-gatwick";
    lf_manifest(northwind, "EGKK London Gatwick", "Northwind Scenery", "Northwind Scenery");
    File egkk;
    egkk.airports.push_back(lf_airport("EGKK", 51.1481, -0.1903, 202, 24, 1));
    gf_writeBglFile(egkk, northwind / "scenery" / "northwind" / "EGKK-airport.bgl");
    File objects; // scenery objects only: no airport section
    objects.otherSections = 3;
    gf_writeBglFile(objects, northwind / "scenery" / "northwind" / "EGKK-objects.bgl");

    // Named only by the manifest; more stands than the archived file, so a generated file too.
    const fs::path lisbon = community / "hl-lppt-lisbon";
    lf_manifest(lisbon, "LPPT Lisbon Humberto Delgado", "Harbourlight", "hl-team");
    File lppt;
    lppt.airports.push_back(lf_airport("LPPT", 38.7813, -9.1359, 374, 90, 2));
    lppt.airports.push_back(lf_airport("ZZZZ", 38.70, -9.10, 100, 2, 0)); // not in the airport list
    gf_writeBglFile(lppt, lisbon / "scenery" / "hl" / "lppt" / "LPPT.bgl");

    // The simulator's own add-on airport.
    const fs::path zurich = community / "microsoft-airport-lszh-zurich";
    lf_manifest(zurich, "Zurich Airport", "Microsoft", "Asobo Studio");
    File lszh;
    lszh.airports.push_back(lf_airport("LSZH", 47.4647, 8.5492, 1416, 12, 0));
    gf_writeBglFile(lszh, zurich / "scenery" / "lszh" / "LSZH.bgl");

    // A freeware airport without a manifest: no publisher, so a generated file.
    const fs::path edinburgh = community / "egph-edinburgh-freeware";
    File egph;
    egph.airports.push_back(lf_airport("EGPH", 55.9500, -3.3725, 136, 15, 1));
    gf_writeBglFile(egph, edinburgh / "scenery" / "EGPH-airport.bgl");
}

void lf_sample2024(const fs::path& community) {
    // The newer airport record is not decoded: the code comes from the file stem and the link from the
    // archive list of the simulator.
    const fs::path heathrow = community / "northwind-scenery-egll-heathrow";
    lf_manifest(heathrow, "EGLL London Heathrow", "Northwind Scenery", "Northwind Scenery");
    File egll;
    Airport a = lf_airport("EGLL", 51.4706, -0.4619, 83, 10, 0);
    a.id = 0x113;
    egll.airports.push_back(a);
    gf_writeBglFile(egll, heathrow / "scenery" / "EGLL.bgl");
}

} // namespace

void gf_writeSampleCommunity(const fs::path& community, int simulator) {
    if (simulator == 2024)
        lf_sample2024(community);
    else
        lf_sample2020(community);
}

} // namespace skf::bgl
