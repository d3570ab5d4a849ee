#pragma once
// The line readers of aircraft.cfg files: key lines (title, texture, atc_id, atc_parking_types, icao_airline,
// base_container, icao_type_designator), [fltsim.N] section headers and the check of a file's section
// numbers, and the aircraft model of a file (its icao_type_designator, else its base container among the
// simulator's stock aircraft, or for IVAO MTL files the folder name).
//
// Called by the folder walk and the section rules on the scan worker threads, many at once: the readers keep
// no state; findings go through the locked adders of the scan reports. Every line may come from a damaged or
// hostile file, so each reader is a single forward pass (no regular expression, no recursion): its cost is
// linear in the line and never grows the stack.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skf {

// ---- Key lines
// A key line is, as a whole: blanks, the key in any letter case, blanks, "=", blanks, a value, blanks (blanks
// being white space: blank, tab, LF, VT, FF, CR). The value runs from its first to its last non-blank
// character and holds no LF or CR. A value with a double quote stands for the text between its first two
// double quotes (empty without a second one).

// The value of the key line, before the double-quote rule; none when the line is no such key line.
std::optional<std::string_view> lf_keyValue(std::string_view line, std::string_view key);

// True and the value when the line is the key's line and its value is not empty.
bool lf_readTitle(std::string_view line, std::string& value);
bool lf_readTexture(std::string_view line, std::string& value);
bool lf_readParkingTypes(std::string_view line, std::string& value);
// As above, and the value has 5 characters or more.
bool lf_readAtcId(std::string_view line, std::string& value);
// True whenever the line is an icao_airline line: "ZZZ" for an empty value or "ZZZZ", else the value
// upper-cased (ASCII letters).
bool lf_readIcaoAirline(std::string_view line, std::string& value);
// The value cut to 4 characters and upper-cased; empty when the line is no icao_type_designator line.
std::string lf_readTypeDesignator(std::string_view line);
// The stock aircraft type of the base_container value (its first three characters, "..\", dropped), upper-
// cased; empty when the line is no base_container line or the container is no stock aircraft.
std::string lf_readBaseContainer(std::string_view line);
// (lf_stockModelOfBaseContainer of LiveryServices.h does the same for the first base_container line of a
// whole aircraft.cfg text.)

// Whole-key tests of a raw line (case-sensitive; also inside a comment): the key not preceded by a letter,
// digit or '_' and, for atc_id, followed by blanks and "="; for the others not followed by a letter, digit
// or '_'.
bool lf_hasAtcId(std::string_view line);
bool lf_hasParkingTypes(std::string_view line);
bool lf_hasIcaoAirline(std::string_view line);

// ---- Sections and files

// The section number of a header line: the digits of "[fltsim.N]" (any letter case, blanks around), "10000"
// for a wrongly written header that still holds "[fltsim." or "[FLTSIM.", empty for any other line and for
// a line that starts with "//".
std::string lf_fltsimNumber(std::string_view line);
// Checks every header of a file: false (with a log or report line) when the file must be rejected; a file
// without any header is reported as such and is not rejected.
bool lf_splitFltsimSections(const std::vector<std::string>& lines, const std::filesystem::path& file);
// The model code of a file, empty when it has no usable model (reported).
std::string lf_modelOfFile(const std::filesystem::path& file, const std::vector<std::string>& lines);
std::string lf_modelFromBaseContainer(const std::filesystem::path& file, const std::vector<std::string>& lines);
// The model code of an IVAO MTL file from its folder name ".../IVAO_MTL/SimObjects/Airplanes/IVAO_<code>/
// aircraft.cfg" (or ivao_x-csl instead of IVAO_MTL, any letter case): the first four characters of <code>.
std::string lf_ivaoModelOfFile(const std::filesystem::path& file);
// The database's model for a code found in a file: the code itself, its fix (reported) or empty (reported).
std::string lf_checkModel(const std::string& code, const std::filesystem::path& file);

} // namespace skf
