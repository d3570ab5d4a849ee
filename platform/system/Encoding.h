#pragma once
// Text encodings at the edge of the system.
//
// Inside the program text is UTF-8 in std::string. Where an interface works with
// UTF-16 text (the "wide" text of the original Windows interfaces) we use
// std::u16string: it keeps UTF-16 semantics (surrogate pairs, lone surrogates are
// errors) on every platform, whereas std::wstring is UTF-32 on Linux.
//
// The user's ANSI code page is fixed to Windows-1252 here, decoded through our own
// table; every byte maps to one UTF-16 code unit, so the conversion never fails.

#include <string>
#include <string_view>

namespace skf {

// UTF-16 -> UTF-8. Empty input gives empty output. A lone or misordered surrogate
// throws std::runtime_error("wide_to_utf8: invalid UTF-16").
std::string wide_to_utf8(std::u16string_view text);

// UTF-8 -> UTF-16, strict: overlong forms, encoded surrogates, code points above
// U+10FFFF, stray continuation bytes and cut sequences throw
// std::runtime_error("utf8_to_wide: invalid UTF-8").
std::u16string utf8_to_wide(std::string_view text);

// The code page number of the user's ANSI code page (always 1252 here).
unsigned gf_ansiCodePage() noexcept;

// One byte of the ANSI code page as a UTF-16 code unit. Bytes that Windows-1252
// leaves undefined (81, 8D, 8F, 90, 9D) map to the C1 control of the same value,
// as the system conversion does.
char16_t gf_ansiCharToUtf16(unsigned char byte) noexcept;

// A whole ANSI text as UTF-16; never fails.
std::u16string gf_ansiToUtf16(std::string_view text);

// Whether a byte string is valid UTF-8 by the strict rules of utf8_to_wide.
bool gf_isValidUtf8(std::string_view text) noexcept;

} // namespace skf
