#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvel {

// Text to number with the semantics of the C library's atof and atol:
// leading white space is skipped, the longest prefix that forms a number is
// used, and text without one gives 0. Never an error.
//
// The common case (a plain decimal number) goes through std::from_chars,
// which is exact and fast; anything it does not take whole (a plus sign, hex,
// a trailing "e", out-of-range values, ...) falls back to the C library.
class TTextToNumber {
public:
    static double ToDouble(std::string_view text);
    // Clamps to the range of long, as strtol does.
    static long ToLong(std::string_view text);
    // Optional white space, an optional sign and the longest run of decimal
    // digits; 0 without digits. Empty when the digits lie outside the signed
    // 32-bit range.
    static std::optional<std::int32_t> ToInt32(std::string_view text);

    // The C library's isspace in the "C" locale.
    static bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
};

} // namespace quorvel
