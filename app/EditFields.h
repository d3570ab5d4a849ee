#pragma once
// The three edit fields of the main window: ALL_INSTALL_PATH, BLOCK_CALLSIGN and DESTINATION. A field acts
// only when the user presses Enter in it; every outcome goes to the status line and the log.
#include <cstdint>
#include <string>

#include "core/settings/Parameters.h"

namespace skf {

// Enter in the field with this control id; false for any other control.
bool lf_onEditEnter(std::uint16_t id);

// The text of a control of the main window (empty when there is none).
std::string lf_getTextFromId(std::uint16_t id);

// ALL_INSTALL_PATH: checks the typed packages folder and stores it in target (the packages-folder
// setting of the chosen simulator); a good path restarts the run.
void lf_checkCommunityPath(StringParameter& target, const std::string& text);
void lf_restartForCommunityPath();

void lf_onBlockCallsignEnter();
// "Block": blocks the callsign without a check.
void lf_blockCallsign(const std::string& callsign);
// "Unblock" and an empty field.
void lf_unblockCallsign();

void lf_onDestinationEnter();
// Sets the destination and hands it to the traffic engine (also used by the start-up).
void lf_setDestination(const std::string& code, double latitude, double longitude);
// 0: destination emptied; 1 not valid; 2 already set; 3 unknown.
void lf_reportDestination(int outcome, const std::string& text);

} // namespace skf
