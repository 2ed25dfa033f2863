#pragma once

#include "metrics/TMetricsOptions.h"
#include "metrics/TRangeMetrics.h"

#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// Formats the tidy table: one row per file and year.
//
// CSV quotes a field that holds a comma, a quote or a line break (RFC 4180);
// TSV writes a tab, a line feed, a carriage return and a backslash in a file
// name as \t, \n, \r and \\; JSON Lines writes one object per row, keys in
// column order. Numbers are the shortest text that reads back to the same
// double (std::to_chars), so the table is exact. A missing value (NaN) is an
// empty field, or null in JSON; infinities are inf and -inf, or null in JSON,
// which has no infinities.
class TTableWriter {
public:
    TTableWriter(TMetricsOptions::TFormat format, std::vector<std::string> columnNames);

    // The header line with its line feed; empty for JSON Lines.
    std::string Header() const;
    // Every row of one model.
    std::string Rows(std::string_view file, const TModelMetrics& metrics) const;

    static std::string FormatNumber(double value);

private:
    void AppendText(std::string& line, std::string_view text) const;

    TMetricsOptions::TFormat format_;
    std::vector<std::string> columnNames_;
};

} // namespace quorvel
