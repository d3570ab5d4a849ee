#include "tools/bglgen/GoldenBgl.h"

namespace skf::bgl {

File gf_goldenBgl() {
    File f;
    f.otherSections = 2;

    Airport eham;
    eham.ident = "EHAM";
    eham.altitudeMm = -3000;
    eham.latitude = 52.3086;
    eham.longitude = 4.7639;
    eham.name = "Schiphol";
    eham.helipadsBefore = {Helipad{52.3000, 4.7600, 30.0F}};
    //          name type number radius heading lat lon airlines
    eham.parkings = {
        Parking{12, 9, 1, 20.0F, 0.0F, 52.3100, 4.7700, {"KLM"}},         // A1, heading 0 -> 2 pi
        Parking{12, 9, 1, 25.0F, 90.0F, 52.3101, 4.7701, {}},             // A1 again -> A1a
        Parking{2, 5, 3, 30.0F, 180.0F, 52.3102, 4.7702, {"MPH", "KLM"}}, // p3, cargo ramp
        Parking{12, 12, 7, 20.0F, 10.0F, 52.3103, 4.7703, {}},            // type 12: dropped
        Parking{13, 9, 4, 1.0F, 10.0F, 52.3104, 4.7704, {}},              // radius 1.0: skipped
        Parking{0, 14, 42, 199.9F, 270.0F, 52.3105, 4.7705, {}},          // "42", ramp
    };
    eham.helipadsAfter = {Helipad{52.2990, 4.7590, 20.0F}}; // after the parkings: not read
    f.airports.push_back(eham);

    Airport ehrd; // helipads only: its last subrecord is a helipad, and the next record follows
    ehrd.ident = "EHRD";
    ehrd.altitudeMm = 4000000; // 13,123 ft
    ehrd.latitude = 51.9569;
    ehrd.longitude = 4.4372;
    ehrd.helipadsBefore = {Helipad{51.9560, 4.4360, 24.0F}, Helipad{51.9561, 4.4361, 12.0F}};
    f.airports.push_back(ehrd);

    Airport loww; // the newer form: reported, not decoded
    loww.ident = "LOWW";
    loww.id = 0x113;
    loww.latitude = 48.1103;
    loww.longitude = 16.5697;
    loww.parkings = {Parking{12, 9, 1, 20.0F, 0.0F, 48.11, 16.57, {}}};
    f.airports.push_back(loww);

    Airport eglc;
    eglc.ident = "EGLC";
    eglc.altitudeMm = 5791;
    eglc.latitude = 51.5053;
    eglc.longitude = 0.0553;
    eglc.parkings = {Parking{10, 9, 2, 18.0F, 45.0F, 51.5050, 0.0560, {}}};            // g2
    eglc.moreParkingGroups = {{Parking{10, 9, 3, 18.0F, 45.0F, 51.5051, 0.0561, {}}}}; // not read
    eglc.helipadsAfter = {Helipad{51.5040, 0.0540, 16.0F}};                            // after: not read
    f.airports.push_back(eglc);

    Airport ehle; // the file ends in a helipad
    ehle.ident = "EHLE";
    ehle.latitude = 52.4603;
    ehle.longitude = 5.5272;
    ehle.helipadsBefore = {Helipad{52.4600, 5.5270, 20.0F}};
    f.airports.push_back(ehle);
    return f;
}

} // namespace skf::bgl
