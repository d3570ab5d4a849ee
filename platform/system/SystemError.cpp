#include "platform/system/SystemError.h"

#include <cerrno>
#include <system_error>

namespace skf {

std::string gf_systemErrorText(int code) {
    return std::error_code(code, std::system_category()).message();
}

std::string gf_lastSystemErrorText() {
    return gf_systemErrorText(errno);
}

} // namespace skf
