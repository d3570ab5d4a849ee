#pragma once
// Test helper of the livery tests: a program folder with a small database (categories, similar types,
// registrations), a livery list, an AIG list and user regcode files, and the tables built from them.
#include "core/settings/Catalogue.h"
#include "data/Crypto.h"
#include "data/Dbase.h"
#include "data/DbaseInternal.h"
#include "liveries/LiveryMatching.h"
#include "liveries/LiveryMatchingInternal.h"
#include "liveries/LiveryState.h"
#include "liveries/LiveryTables.h"
#include "liveries/Regcodes.h"
#include "support/ProgramFolder.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <string>
#include <vector>

namespace skf::test {

inline const char* const kWorldLiveries = R"(<root><liveries>
  <l a="KLM" m="A320" t="KLM A320 Alpha Retro" />
  <l a="KLM" m="A320" t="KLM A320 Blue" r="PH-AAA" />
  <l a="DLH" m="A320" t="DLH A320" />
  <l a="DLH" m="B744" t="DLH B744" />
  <l a="FDX" m="B744" c="true" t="FedEx B744F" />
  <l a="ZZZ" m="A320" t="Generic A320" />
  <l a="ZZZ" m="C172" t="Generic C172" />
  <l a="PVT" m="C172" t="Private C172" />
  <l a="" m="C182" t="Cessna 182 Plain" />
  <l a="" m="C182" c="true" t="Cessna 182 Freight" />
  <l a="EJA" m="CL35" t="FSLTL_NetJets CL35" />
  <l a="BHL" m="B06" t="Bristow B06" />
</liveries></root>)";

inline const char* const kWorldAig = R"(<root><meta>
  <info name="copyright" value="c" /><info name="sim" value="1" /></meta><aig>
  <l t="KLM A320 Blue" r="PH-AIG, PH-AAB" />
  <l t="KLM A320 Alpha Retro" r="PH-RTA, PH-RTB" s="true" />
  <l t="Not Installed" r="PH-NOT" />
  <l t="Retired Paint" />
</aig></root>)";

inline const char* const kWorldUserFile = "DLH B744;PH-UNQ\nDLH A320;D-ABC1,D-ABC2;#\n";

class LiveryWorld {
public:
    explicit LiveryWorld(const std::string& name) : folder(name) {
        gf_liveryMatchState() = LiveryMatchState{}; // its views into the title store first
        gf_liveryState() = LiveryState{};
        gf_clearDbase();
        category(g_largeModelIds, {"A320", "A321"});
        category(g_heavyModelIds, {"B744"});
        category(g_buzjetModelIds, {"C25A", "CL35"});
        category(g_rotorcraftModelIds, {"B06"});
        g_similarTypes = {{"A320", "A321"}, {"C172", "C182", "PA28"}};
        g_dbaseRecords = {{"D-AIZZ", gf_internOperator("DLH"), gf_internModel("A320"), gf_internOperator("DLH"), false},
                          {"N1PV", gf_internOperator("PVT"), gf_internModel("C172"), 0, false}};
        lf_sortDbaseRecords();
        RANDOM.set(false);
        MATCHING_DEPTH.set(4);
        writeFile("output/LiveriesScanned.xml", kWorldLiveries);
        std::filesystem::create_directories("input/my_regcodes");
        std::filesystem::create_directories("output/info"); // made by the start-up before any scan
        writeFile("input/aig.xml", kWorldAig);
        gf_streamEncrypt(g_dataKey, "input/aig.xml", "input/AIG-regcodes.enc");
        std::filesystem::remove("input/aig.xml");
        writeFile("input/my_regcodes/mine.txt", kWorldUserFile);
    }
    ~LiveryWorld() {
        gf_liveryMatchState() = LiveryMatchState{};
        gf_liveryState() = LiveryState{};
        gf_clearDbase();
        RANDOM.set(true);
        MATCHING_DEPTH.set(4);
    }
    LiveryWorld(const LiveryWorld&) = delete;
    LiveryWorld& operator=(const LiveryWorld&) = delete;

    static void writeFile(const std::filesystem::path& path, const std::string& text) {
        std::filesystem::create_directories(path.parent_path());
        writeBytes(path, text);
    }
    static void category(std::set<std::uint16_t>& ids, std::initializer_list<const char*> codes) {
        for (const char* c : codes)
            ids.insert(gf_internModel(c));
    }

    std::string log() const { return folder.log(); }

    ProgramFolder folder;
};

} // namespace skf::test
