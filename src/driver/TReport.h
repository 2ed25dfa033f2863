#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace quorvel {

// Writes the report: delimited lines, each flushed as soon as it is complete
// so that the lines written before an error stay visible.
//
// Numbers follow the output stream's defaults: integers in plain decimal,
// doubles in general notation with six significant digits (as printf's %g).
// Values that are not finite are written NaN, Inf and -Inf, as R and Python
// read them.
class TReport {
public:
    TReport(std::FILE* out, std::string delimiter) : out_(out), delimiter_(std::move(delimiter)) {}

    static std::string FormatDouble(double value);
    static std::string FormatInteger(std::int64_t value);

    // The fields joined by the delimiter; with `trailingDelimiter`, one more
    // delimiter ends the line.
    template <class... Fields>
    void WriteLine(bool trailingDelimiter, const Fields&... fields)
    {
        line_.clear();
        bool first = true;
        ((Append(first, fields)), ...);
        if (trailingDelimiter)
            line_ += delimiter_;
        Emit();
    }

private:
    void Append(bool& first, std::string_view field)
    {
        if (!first)
            line_ += delimiter_;
        first = false;
        line_ += field;
    }
    // Throws std::runtime_error when standard output cannot be written.
    void Emit();

    std::FILE* out_;
    std::string delimiter_;
    std::string line_;
};

} // namespace quorvel
