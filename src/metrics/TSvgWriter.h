#pragma once

#include "model/TPoint.h"

#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// Builds an SVG document element by element. Coordinates are pixels from
// the top left corner; text is escaped for XML; colours and other
// attribute values are written as given.
class TSvgWriter {
public:
    TSvgWriter(double width, double height);

    void Rect(double x, double y, double width, double height, std::string_view fill,
              std::string_view stroke = "none", double strokeWidth = 0.0);
    void Line(double x1, double y1, double x2, double y2, std::string_view stroke, double strokeWidth = 1.0);
    // An open line through the points; nothing for fewer than two points.
    void Polyline(const std::vector<TPoint>& points, std::string_view stroke, double strokeWidth = 1.5);
    void Circle(double cx, double cy, double r, std::string_view fill, std::string_view stroke = "none",
                double strokeWidth = 0.0);
    // `anchor`: start, middle or end; `rotate` in degrees about (x, y).
    void Text(double x, double y, std::string_view text, double size = 12.0, std::string_view anchor = "start",
              double rotate = 0.0, std::string_view weight = "normal");
    // A clip rectangle to use with BeginGroup.
    void ClipRect(std::string_view id, double x, double y, double width, double height);
    void BeginGroup(std::string_view clipId = "");
    void EndGroup();

    // The whole document.
    std::string Finish() const;

    static std::string Escape(std::string_view text);
    // Two decimals: a hundredth of a pixel is below what a screen shows.
    static std::string Pixels(double value);

private:
    std::string body_;
    std::string defs_;
    double width_;
    double height_;
};

} // namespace quorvel
