#pragma once
// Flight-plan files of AI aircraft: one small .pln file per AI object in the folder orig_dest of the
// program's data folder, handed to the simulator with the object's plan request.
#include <cstdint>
#include <filesystem>

#include "sim/AircraftRecords.h"

namespace skf {

// Builds the folder path (data folder / orig_dest), creates it when missing, stores it as the
// flight-plan folder (g_flightPlanFolder) and tells whether the folder exists afterwards.
bool gf_createFlightPlanFolder();

// g_flightPlanFolder: the flight-plan folder, empty until gf_createFlightPlanFolder ran (a copy).
std::filesystem::path gf_flightPlanFolder();

// "{objectId}.pln" in the flight-plan folder; the object id is always decimal.
std::filesystem::path gf_flightPlanPath(std::uint32_t objectId);

// Writes the plan of the record, replacing an older file; false when the file cannot be written.
bool gf_writeFlightPlan(const std::filesystem::path& path, const FlightRecord& record);

// The text of a plan file, as gf_writeFlightPlan writes it.
std::string gf_flightPlanText(const FlightRecord& record);

} // namespace skf
