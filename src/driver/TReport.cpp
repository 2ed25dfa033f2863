#include "driver/TReport.h"

#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace quorvel {

std::string TReport::FormatDouble(double value)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0 ? "Inf" : "-Inf";
    char text[64];
    // Same digits as printf("%g"), without depending on the locale.
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    return std::string(text, ec == std::errc() ? end : text);
}

std::string TReport::FormatInteger(std::int64_t value)
{
    char text[24];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return std::string(text, ec == std::errc() ? end : text);
}

void TReport::Emit()
{
    line_ += '\n';
    errno = 0;
    if (std::fwrite(line_.data(), 1, line_.size(), out_) != line_.size() || std::fflush(out_) != 0) {
        const int error = errno;
        throw std::runtime_error(std::string("cannot write the report to standard output: ") +
                                 (error != 0 ? std::strerror(error) : "write error"));
    }
}

} // namespace quorvel
