#include "mp/TTextToNumber.h"

#include <charconv>
#include <cstdint>
#include <climits>
#include <cstdlib>
#include <string>
#include <system_error>

namespace quorvel {

namespace {

std::string_view SkipSpace(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && TTextToNumber::IsSpace(text[i]))
        ++i;
    return text.substr(i);
}

// Sign and digits after the white space; the digits as a view.
struct TIntegerText {
    bool negative = false;
    std::string_view digits;
};

TIntegerText ScanInteger(std::string_view text)
{
    TIntegerText result;
    text = SkipSpace(text);
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        result.negative = text[0] == '-';
        text.remove_prefix(1);
    }
    std::size_t n = 0;
    while (n < text.size() && text[n] >= '0' && text[n] <= '9')
        ++n;
    result.digits = text.substr(0, n);
    return result;
}

// Magnitude of a digit run, saturating at `limit`.
unsigned long long Magnitude(std::string_view digits, unsigned long long limit)
{
    unsigned long long value = 0;
    for (char c : digits) {
        const auto digit = static_cast<unsigned>(c - '0');
        if (value > (limit - digit) / 10)
            return limit;
        value = value * 10 + digit;
    }
    return value;
}

} // namespace

namespace {

// Clinger's fast path: a plain decimal whose digits fit in 53 bits and whose
// power of ten is exact as a double converts with one correctly rounded
// multiplication or division, so the result equals the C library's. Covers
// the population values of real files; anything else returns false.
bool ConvertPlainDecimal(std::string_view number, double& value)
{
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* p = number.data();
    const char* const end = p + number.size();
    const bool negative = p != end && *p == '-';
    if (negative)
        ++p;
    std::uint64_t mantissa = 0;
    int digits = 0;
    int fractionDigits = 0;
    for (; p != end && static_cast<unsigned>(*p - '0') < 10; ++p, ++digits)
        mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    if (p != end && *p == '.') {
        ++p;
        for (; p != end && static_cast<unsigned>(*p - '0') < 10; ++p, ++digits, ++fractionDigits)
            mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    }
    // 19 digits cannot overflow 64 bits; the mantissa must also be exact.
    if (p != end || digits == 0 || digits > 19 || mantissa > (std::uint64_t{1} << 53) ||
        fractionDigits > 22)
        return false;
    const double magnitude = static_cast<double>(mantissa) / kPowers[fractionDigits];
    value = negative ? -magnitude : magnitude;
    return true;
}

} // namespace

double TTextToNumber::ToDouble(std::string_view text)
{
    const std::string_view number = SkipSpace(text);
    if (number.empty())
        return 0.0;
    double value = 0.0;
    if (ConvertPlainDecimal(number, value))
        return value;
    const char* last = number.data() + number.size();
    if (number[0] != '+') {
        const auto [ptr, ec] = std::from_chars(number.data(), last, value);
        if (ec == std::errc() && ptr == last)
            return value;
    }
    // The C library's own rules; the copy also stops it at an embedded NUL,
    // as it would stop at the end of a C string.
    const std::string copy(number);
    return std::strtod(copy.c_str(), nullptr);
}

long TTextToNumber::ToLong(std::string_view text)
{
    const TIntegerText integer = ScanInteger(text);
    if (integer.negative) {
        const auto limit = static_cast<unsigned long long>(LONG_MAX) + 1;
        const unsigned long long magnitude = Magnitude(integer.digits, limit);
        return magnitude == limit ? LONG_MIN : -static_cast<long>(magnitude);
    }
    return static_cast<long>(Magnitude(integer.digits, LONG_MAX));
}

std::optional<std::int32_t> TTextToNumber::ToInt32(std::string_view text)
{
    const TIntegerText integer = ScanInteger(text);
    const unsigned long long limit = integer.negative ? 2147483648ULL : 2147483647ULL;
    const unsigned long long magnitude = Magnitude(integer.digits, limit + 1);
    if (magnitude > limit)
        return std::nullopt;
    return integer.negative ? static_cast<std::int32_t>(-static_cast<long long>(magnitude))
                            : static_cast<std::int32_t>(magnitude);
}

} // namespace quorvel
