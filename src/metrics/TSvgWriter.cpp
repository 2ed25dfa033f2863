#include "metrics/TSvgWriter.h"

#include <charconv>
#include <cmath>
#include <initializer_list>

namespace quorvel {

TSvgWriter::TSvgWriter(double width, double height) : width_(width), height_(height) {}

std::string TSvgWriter::Escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            // Control characters are not allowed in XML 1.0 text.
            out += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
        }
    }
    return out;
}

std::string TSvgWriter::Pixels(double value)
{
    if (!std::isfinite(value))
        return "0";
    char text[48];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    return std::string(text, error == std::errc() ? end : text);
}

namespace {

// Appends pieces in turn: chains of operator+ on temporaries trip a false
// -Wrestrict in GCC 12.
void Append(std::string& out, std::initializer_list<std::string_view> pieces)
{
    for (const std::string_view piece : pieces)
        out += piece;
}

} // namespace

void TSvgWriter::Rect(double x, double y, double width, double height, std::string_view fill,
                      std::string_view stroke, double strokeWidth)
{
    Append(body_, {"<rect x=\"", Pixels(x), "\" y=\"", Pixels(y), "\" width=\"", Pixels(width), "\" height=\"",
                   Pixels(height), "\" fill=\"", fill, "\" stroke=\"", stroke, "\" stroke-width=\"",
                   Pixels(strokeWidth), "\"/>\n"});
}

void TSvgWriter::Line(double x1, double y1, double x2, double y2, std::string_view stroke, double strokeWidth)
{
    Append(body_, {"<line x1=\"", Pixels(x1), "\" y1=\"", Pixels(y1), "\" x2=\"", Pixels(x2), "\" y2=\"",
                   Pixels(y2), "\" stroke=\"", stroke, "\" stroke-width=\"", Pixels(strokeWidth), "\"/>\n"});
}

void TSvgWriter::Polyline(const std::vector<TPoint>& points, std::string_view stroke, double strokeWidth)
{
    if (points.size() < 2)
        return;
    Append(body_, {"<polyline fill=\"none\" stroke-linejoin=\"round\" stroke=\"", stroke, "\" stroke-width=\"",
                   Pixels(strokeWidth), "\" points=\""});
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i > 0)
            body_ += ' ';
        Append(body_, {Pixels(points[i].X()), ",", Pixels(points[i].Y())});
    }
    body_ += "\"/>\n";
}

void TSvgWriter::Circle(double cx, double cy, double r, std::string_view fill, std::string_view stroke,
                        double strokeWidth)
{
    Append(body_, {"<circle cx=\"", Pixels(cx), "\" cy=\"", Pixels(cy), "\" r=\"", Pixels(r), "\" fill=\"", fill,
                   "\" stroke=\"", stroke, "\" stroke-width=\"", Pixels(strokeWidth), "\"/>\n"});
}

void TSvgWriter::Text(double x, double y, std::string_view text, double size, std::string_view anchor,
                      double rotate, std::string_view weight)
{
    Append(body_, {"<text x=\"", Pixels(x), "\" y=\"", Pixels(y), "\" font-size=\"", Pixels(size),
                   "\" text-anchor=\"", anchor, "\" font-weight=\"", weight, "\""});
    if (rotate != 0.0)
        Append(body_, {" transform=\"rotate(", Pixels(rotate), " ", Pixels(x), " ", Pixels(y), ")\""});
    Append(body_, {">", Escape(text), "</text>\n"});
}

void TSvgWriter::ClipRect(std::string_view id, double x, double y, double width, double height)
{
    Append(defs_, {"<clipPath id=\"", id, "\"><rect x=\"", Pixels(x), "\" y=\"", Pixels(y), "\" width=\"",
                   Pixels(width), "\" height=\"", Pixels(height), "\"/></clipPath>\n"});
}

void TSvgWriter::BeginGroup(std::string_view clipId)
{
    if (clipId.empty())
        body_ += "<g>\n";
    else
        Append(body_, {"<g clip-path=\"url(#", clipId, ")\">\n"});
}

void TSvgWriter::EndGroup()
{
    body_ += "</g>\n";
}

std::string TSvgWriter::Finish() const
{
    std::string out;
    Append(out, {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"",
                 Pixels(width_), "\" height=\"", Pixels(height_), "\" viewBox=\"0 0 ", Pixels(width_), " ",
                 Pixels(height_), "\" font-family=\"DejaVu Sans, Liberation Sans, Arial, sans-serif\" fill=\"#222\">\n"});
    if (!defs_.empty())
        Append(out, {"<defs>\n", defs_, "</defs>\n"});
    out += body_;
    out += "</svg>\n";
    return out;
}

} // namespace quorvel
