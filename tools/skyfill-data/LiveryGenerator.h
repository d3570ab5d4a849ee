#pragma once
// Generator of a livery list (LiveriesScanned.xml) that fits the generated database and AIG list of
// DbaseGenerator.h: one livery per airline and fleet model titled as the AIG list titles them ("Airbus
// A320 Lufthansa"), more paint variants when asked, cargo liveries for cargo airlines, generic ("ZZZ")
// liveries, liveries without airline and a few in-line registration codes. The output depends only on
// the number of variants. Header-only: used by the data tool and by the benchmarks.

#include "tools/skyfill-data/DbaseGenerator.h"

#include <string>
#include <vector>

namespace skf::datagen {

struct GeneratedLivery {
    std::string airline;
    std::string model;
    std::string title;
    std::string regcode;
    bool cargo = false;
};

// `variants` liveries per airline and fleet model (at least 1).
inline std::vector<GeneratedLivery> gf_generateLiveries(std::size_t variants) {
    using namespace detail;
    Rng rng(0x11BE5u + variants);
    std::vector<GeneratedLivery> out;
    const auto modelName = [](std::string_view code) {
        for (const Model& m : models())
            if (code == m.code)
                return std::string(m.name);
        return std::string(code);
    };
    std::size_t pair = 0;
    for (const Airline& a : airlines()) {
        for (const std::string_view model : a.fleet) {
            for (std::size_t v = 0; v < std::max<std::size_t>(variants, 1); ++v) {
                GeneratedLivery l{a.code, std::string(model), modelName(model) + " " + a.name, {}, a.cargo};
                if (v > 0)
                    l.title += " (" + std::to_string(v + 1) + ")";
                if (v == 0 && ++pair % 9 == 0)
                    l.regcode = registrationFor(rng, a.prefix);
                out.push_back(std::move(l));
            }
        }
    }
    // Generic paints of the common types, a freighter among them, and an FSLTL one.
    for (const char* model : {"A320", "A321", "B738", "B77W", "B763", "E190", "CRJ9", "AT76", "DH8D", "C208", "C172",
                              "PC12", "C56X", "CL35", "EC35", "B06"}) {
        out.push_back({"ZZZ", model, modelName(model) + " Generic", {}, false});
        if (std::string_view(model) == "B763")
            out.push_back({"ZZZ", model, modelName(model) + " Generic Freighter", {}, true});
    }
    out.push_back({"ZZZ", "A20N", "FSLTL_A320neo_ZZZ", {}, false});
    // Light aircraft without airline.
    for (const char* model : {"C172", "C182", "PA28", "SR22", "DHC6"})
        out.push_back({"", model, modelName(model) + " Plain White", {}, false});
    return out;
}

inline std::string gf_liveriesXml(const std::vector<GeneratedLivery>& liveries) {
    using detail::xmlEscape;
    std::string x =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <meta>\n"
        "    <info name=\"author\" value=\"Skyfill\" />\n"
        "    <info name=\"version\" value=\"11.11.3\" />\n"
        "    <info name=\"date\" value=\"Dec 07 2026\" />\n"
        "    <info name=\"copyright\" value=\"Copyright (c) the makers of Skyfill. All rights reserved.\" />\n"
        "    <info name=\"sim\" value=\"1\" />\n  </meta>\n  <liveries>\n";
    for (const GeneratedLivery& l : liveries) {
        x += "    <l a=\"" + xmlEscape(l.airline) + "\" m=\"" + xmlEscape(l.model) + "\"";
        if (l.cargo)
            x += " c=\"true\"";
        x += " t=\"" + xmlEscape(l.title) + "\"";
        if (!l.regcode.empty())
            x += " r=\"" + xmlEscape(l.regcode) + "\"";
        x += " />\n";
    }
    x += "  </liveries>\n</root>\n";
    return x;
}

} // namespace skf::datagen
