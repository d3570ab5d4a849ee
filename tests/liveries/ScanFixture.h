#pragma once
// Test helper: a Community folder with one finding of each kind the scan reports, in the shapes real
// aircraft.cfg files have (comments, quotes, [fltsim.N] numbering, wrong headers, UTF-16 and ANSI files),
// written below the working folder as packages/Community; and the scanned list as comparable lines.
#include "LiveryTestSupport.h"
#include "core/settings/Catalogue.h"

#include <pugixml.hpp>
#include <string>
#include <vector>

namespace skf::test {

// UTF-16 bytes of an ASCII text, with a byte-order mark.
inline std::string utf16Of(const std::string& ascii, bool bigEndian) {
    std::string out = bigEndian ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2);
    for (const char c : ascii) {
        if (bigEndian) {
            out += '\0';
            out += c;
        } else {
            out += c;
            out += '\0';
        }
    }
    return out;
}

inline constexpr const char* kCommunity = "packages/Community";

// Writes the fixture tree; the settings point the automatic scan at it.
inline void writeScanFixture(const ScanFolder& work) {
    const std::string aig = std::string(kCommunity) + "/aig-aitraffic-oci-beta/SimObjects/Airplanes/";
    work.write(aig + "AIG_B738/aircraft.cfg",
               "; AIG B737-800\r\n"
               "[VERSION]\r\nmajor=1\r\n\r\n"
               "[fltsim.0]\r\n"
               "title=\"AIG B738 KLM\" ; the KLM one\r\n"
               "icao_airline=KLM\r\n"
               "atc_parking_types=GATE\r\n"
               "// trailing comment\r\n\r\n"
               "[fltsim.1]\r\ntitle = AIG B738 KLM cargo\r\nicao_airline=KLMC\r\natc_parking_types=CARGO , RAMP\r\n"
               "[fltsim.2]\r\ntitle=AIG B738 private\r\nicao_airline=XQXQ\r\n"
               "[fltsim.3]\r\ntitle=AIG B738 RFO\r\nicao_airline=RFO\r\n"
               "[fltsim.4]\r\ntitle=AIG B738 twice\r\nTITLE=again\r\nicao_airline=KLM\r\n"
               "[fltsim.5]\r\ntitle=AIG B738 two "
               "airlines\r\nicao_airline=KLM\r\n//icao_airline=DLH\r\natc_parking_types=GATE\r\n"
               "[fltsim.6]\r\ntitle=AIG B738 star\r\nicao_airline=TRA\r\natc_id=PH-***\r\n"
               "[fltsim.7]\r\nicao_airline=KLM\r\n"
               "[fltsim.8]\r\ntitle=AIG B738 generic-STUB\r\nicao_airline=KLM\r\natc_id=PH-BXA\r\n"
               "[fltsim.9]\r\ntitle=PMDG 737 house\r\n"
               "[General]\r\nicao_type_designator=B738\r\n"
               "[fltsim.10] old\r\ntitle=AIG B738 Transavia\r\nicao_airline=\"TRA\"\r\natc_id=PH-HSA, PH-HSB\r\n"
               "[FLTSIM.11]\r\ntitle=AIG B738 parking twice\r\nicao_airline=TRA\r\natc_parking_types=GATE\r\n"
               "atc_parking_types=RAMP\r\n"
               "[fltsim.12]\r\ntitle=AIG B738 ids twice\r\nicao_airline=TRA\r\natc_id=PH-HSC\r\natc_id=PH-HSD\r\n");
    // A heavy model without airline: no livery with or without a known registration.
    work.write(aig + "AIG_B77W/aircraft.cfg", "[General]\nicao_type_designator=B77W\n"
                                              "[fltsim.0]\ntitle=AIG B77W nobody\n"
                                              "[fltsim.1]\ntitle=AIG B77W unknown reg\natc_id=XX-XXXXX\n"
                                              "[fltsim.2]\ntitle=AIG B77W Emirates\nicao_airline=UAE\n");
    // A designator the database corrects, and a registration that another airline and model fly.
    work.write(aig + "AIG_A32N/Aircraft.CFG", "[General]\nicao_type_designator=A32N\n"
                                              "[fltsim.0]\ntitle=AIG A20N IndiGo\nicao_airline=KLM\n"
                                              "atc_id=VT-LVG\natc_parking_types=CARGO\n");
    work.write(aig + "AIG_BAD/aircraft.cfg", "[General]\nicao_type_designator=XXXX\n[fltsim.0]\ntitle=bad model\n");
    work.write(aig + "AIG_NONE/aircraft.cfg", "[General]\n[fltsim.0]\ntitle=no model\nicao_airline=KLM\n");
    work.write(aig + "AIG_BIG/aircraft.cfg", "[General]\nicao_type_designator=B738\n[fltsim.0]\ntitle=AIG big 0\n"
                                             "icao_airline=KLM\n[fltsim.10001]\ntitle=AIG big 1\n");
    work.write(aig + "AIG_EMPTY/aircraft.cfg", "[General]\nicao_type_designator=B738\n");
    work.write(aig + "AIG_BAK/aircraft.cfg.bak", "[General]\nicao_type_designator=B738\n[fltsim.0]\ntitle=bak\n");
    work.write(aig + "airport-vehicles/aircraft.cfg",
               "[General]\nicao_type_designator=B738\n[fltsim.0]\ntitle=not read\nicao_airline=KLM\n");
    work.write(aig + "AIG_C172/aircraft.cfg",
               "[General]\nbase_container = \"..\\Asobo_C172sp_classic\"\n"
               "[fltsim.0]\ntitle=AIG C172 N4C club\n[fltsim.1]\ntitle=AIG C172 plain\n");

    // FSLTL in UTF-16: one pair that AIG has too (dropped by the priority rule), one of its own, and a title
    // AIG made already.
    const std::string fsltl = std::string(kCommunity) + "/fsltl-traffic-base/SimObjects/Airplanes/";
    work.write(fsltl + "FSLTL_B738/aircraft.cfg",
               utf16Of("[General]\r\nicao_type_designator=B738\r\n[fltsim.0]\r\ntitle=FSLTL B738 KLM\r\n"
                       "icao_airline=KLM\r\n[fltsim.1]\r\ntitle=FSLTL B738 Ryanair\r\nicao_airline=RYR\r\n"
                       "[fltsim.2]\r\ntitle=AIG B738 KLM\r\nicao_airline=RYR\r\n",
                       false));
    work.write(std::string(kCommunity) + "/a_CVT_fsltl-traffic-base/SimObjects/Airplanes/X/aircraft.cfg",
               "[General]\nicao_type_designator=B738\n[fltsim.0]\ntitle=converted\nicao_airline=KLM\n");
    work.write(std::string(kCommunity) + "/fsltl-traffic-base-2/SimObjects/Airplanes/X/aircraft.cfg",
               "[General]\nicao_type_designator=B738\n[fltsim.0]\ntitle=second fsltl\nicao_airline=KLM\n");

    // IVAO MTL: airline from the title, texture folders.
    const std::string ivao = std::string(kCommunity) + "/IVAO_MTL/SimObjects/Airplanes/IVAO_A320/";
    work.write(ivao + "texture.DLH/x.dds", "");
    work.write(ivao + "aircraft.cfg", "[fltsim.0]\ntitle=A320 DLH\ntexture=DLH\n"
                                      "[fltsim.1]\ntitle=A320 QQQ\ntexture=DLH\n"
                                      "[fltsim.2]\ntitle=A320 AFR\ntexture=AFR\n"
                                      "[fltsim.3]\ntitle=Airbus A320\ntexture=DLH\n");

    // The user's package in UTF-16 big-endian and ANSI.
    const std::string user = std::string(kCommunity) + "/my-user-aitraffic/SimObjects/Airplanes/";
    work.write(user + "U1/aircraft.cfg",
               utf16Of("[General]\nicao_type_designator=E190\n[fltsim.0]\ntitle=User E190 KLM\n"
                       "icao_airline=KLC\n",
                       true));
    work.write(user + "U2/aircraft.cfg", "[General]\nicao_type_designator=A320\n[fltsim.0]\ntitle=User A320 Caf\xE9\n"
                                         "icao_airline=IBE\n");
    work.write(user + "U3/aircraft.cfg",
               std::string("\x01\x02garbage\x00\xFF[fltsim.", 20) + "\n" + std::string(1 << 20, 'x') + "\n");

    MSFS_INSTALL_PATH.setValue("packages");
    SIM_CHOICE.setValue(SIM_CHOICE.choices.front());
    AI_PACKAGE_SELECTOR.setValue("AIG, FSLTL, JF, MTL");
    LIG_AUTOMATIC.set(true);
    LIG_PRIORITIZE.set(true);
}

// The records of a LiveriesScanned.xml as "a|m|c|t|r" lines, in file order.
inline std::vector<std::string> scannedLines(const std::filesystem::path& file) {
    pugi::xml_document document;
    std::vector<std::string> lines;
    if (!document.load_file(file.c_str()))
        return lines;
    for (const pugi::xml_node l : document.child("root").child("liveries").children())
        lines.push_back(std::string(l.attribute("a").value()) + "|" + l.attribute("m").value() + "|" +
                        l.attribute("c").value() + "|" + l.attribute("t").value() + "|" + l.attribute("r").value());
    return lines;
}

} // namespace skf::test
