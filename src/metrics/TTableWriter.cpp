#include "metrics/TTableWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace quorvel {

namespace {

using TFormat = TMetricsOptions::TFormat;

char Separator(TFormat format)
{
    return format == TFormat::Tsv ? '\t' : ',';
}

void AppendJsonString(std::string& out, std::string_view text)
{
    out += '"';
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

} // namespace

TTableWriter::TTableWriter(TFormat format, std::vector<std::string> columnNames)
    : format_(format), columnNames_(std::move(columnNames))
{
}

std::string TTableWriter::FormatNumber(double value)
{
    if (std::isnan(value))
        return std::string();
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return std::string(text, error == std::errc() ? end : text);
}

void TTableWriter::AppendText(std::string& line, std::string_view text) const
{
    if (format_ == TFormat::Jsonl) {
        AppendJsonString(line, text);
    } else if (format_ == TFormat::Csv) {
        if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
            line += text;
            return;
        }
        line += '"';
        for (const char c : text) {
            if (c == '"')
                line += '"';
            line += c;
        }
        line += '"';
    } else {
        for (const char c : text) {
            switch (c) {
            case '\t':
                line += "\\t";
                break;
            case '\n':
                line += "\\n";
                break;
            case '\r':
                line += "\\r";
                break;
            case '\\':
                line += "\\\\";
                break;
            default:
                line += c;
            }
        }
    }
}

std::string TTableWriter::Header() const
{
    if (format_ == TFormat::Jsonl)
        return std::string();
    const char separator = Separator(format_);
    std::string line = "file";
    line += separator;
    line += "year";
    for (const std::string& name : columnNames_) {
        line += separator;
        line += name;
    }
    line += '\n';
    return line;
}

std::string TTableWriter::Rows(std::string_view file, const TModelMetrics& metrics) const
{
    std::string out;
    std::string fileField;
    AppendText(fileField, file);
    const std::size_t columns = std::min(columnNames_.size(), metrics.Columns.size());
    for (std::size_t i = 0; i < metrics.Years.size(); ++i) {
        const std::string year = std::to_string(metrics.Years[i]);
        if (format_ == TFormat::Jsonl) {
            out += "{\"file\":";
            out += fileField;
            out += ",\"year\":";
            out += year;
            for (std::size_t c = 0; c < columns; ++c) {
                const double value = metrics.Columns[c][i];
                out += ",\"";
                out += columnNames_[c];
                out += "\":";
                out += std::isfinite(value) ? FormatNumber(value) : "null";
            }
            out += "}\n";
        } else {
            const char separator = Separator(format_);
            out += fileField;
            out += separator;
            out += year;
            for (std::size_t c = 0; c < columns; ++c) {
                out += separator;
                out += FormatNumber(metrics.Columns[c][i]);
            }
            out += '\n';
        }
    }
    return out;
}

} // namespace quorvel
