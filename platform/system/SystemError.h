#pragma once
// Texts of the system's error codes (errno values).

#include <string>

namespace skf {

// The system's message for an error code, for example "No such file or directory".
std::string gf_systemErrorText(int code);

// The message of the calling thread's last system error (errno).
std::string gf_lastSystemErrorText();

} // namespace skf
