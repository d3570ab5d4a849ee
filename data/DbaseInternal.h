#pragma once
// The steps of the database read; used inside data/ and by the tests only.
#include "data/Dbase.h"

namespace skf {

// Splits at ',' into pieces trimmed of blanks, tabs, CR and LF; every piece is kept, empty ones too.
std::vector<std::string> lf_splitCommaList(std::string_view text);

// Sorts g_dbaseRecords by registration and removes repeated registrations.
void lf_sortDbaseRecords();

// Stores one half wingspan into g_halfWingspans by the model id of the code.
void lf_storeHalfWingspan(const std::string& code, double halfSpan);

} // namespace skf
