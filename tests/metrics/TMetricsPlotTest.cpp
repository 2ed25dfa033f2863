#include "metrics/TMetricsPlot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using quorvel::TMetricsPlot;
using quorvel::TPlotSeries;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TPlotSeries Model(const std::string& name, double offset)
{
    TPlotSeries model;
    model.Name = name;
    for (int i = 0; i < 10; ++i) {
        model.Years.push_back(1990 + i);
        model.CentroidX.push_back(offset + i);
        model.CentroidY.push_back(offset + 0.5 * i);
        model.ShiftDistanceKm.push_back(2.0 * i);
        model.AreaKm2.push_back(500.0 + 10.0 * i);
    }
    return model;
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

struct TBox {
    double x, y, width, height;
};

// The text of every element that starts with `open`, up to its "/>".
std::vector<std::string> Elements(const std::string& svg, const std::string& open)
{
    std::vector<std::string> elements;
    for (std::size_t at = svg.find(open); at != std::string::npos; at = svg.find(open, at + 1))
        elements.push_back(svg.substr(at, svg.find("/>", at) - at));
    return elements;
}

std::string Attribute(const std::string& element, const std::string& name)
{
    const std::size_t start = element.find(" " + name + "=\"");
    if (start == std::string::npos)
        return std::string();
    const std::size_t value = start + name.size() + 3;
    return element.substr(value, element.find('"', value) - value);
}

// The clip rectangles of the panels, in document order.
std::vector<TBox> Panels(const std::string& svg)
{
    std::vector<TBox> boxes;
    for (const std::string& clip : Elements(svg, "<clipPath"))
        boxes.push_back({std::stod(Attribute(clip, "x")), std::stod(Attribute(clip, "y")),
                         std::stod(Attribute(clip, "width")), std::stod(Attribute(clip, "height"))});
    return boxes;
}

// The points of every polyline, in document order.
std::vector<std::vector<std::pair<double, double>>> Polylines(const std::string& svg)
{
    std::vector<std::vector<std::pair<double, double>>> lines;
    for (const std::string& element : Elements(svg, "<polyline")) {
        lines.emplace_back();
        std::istringstream points(Attribute(element, "points"));
        std::string point;
        while (points >> point) {
            const auto comma = point.find(',');
            lines.back().emplace_back(std::stod(point.substr(0, comma)), std::stod(point.substr(comma + 1)));
        }
    }
    return lines;
}

TEST(TMetricsPlot, EveryLineStaysInsideItsPanel)
{
    const std::string svg = TMetricsPlot::Render({Model("a.mp", 0.0), Model("b.mp", 3.0)}, "sma:3");
    EXPECT_EQ(0u, svg.find("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\""));
    EXPECT_EQ("</svg>\n", svg.substr(svg.size() - 7));
    for (const char* text : {"Weighted centroid path", "Shift from the reference year (sma:3)",
                             "Range area (minimum convex polygon)", "x (grid units)", "y (grid units)",
                             "shift distance (km)", "area (km\xc2\xb2)", ">year<", ">a.mp<", ">b.mp<"})
        EXPECT_NE(std::string::npos, svg.find(text)) << text;
    // Two models in three panels.
    EXPECT_EQ(6u, Count(svg, "<polyline"));
    const std::vector<TBox> panels = Panels(svg);
    ASSERT_EQ(3u, panels.size());
    // The panels' lines, in panel order, each model's inside its own panel.
    const auto lines = Polylines(svg);
    ASSERT_EQ(6u, lines.size());
    for (std::size_t line = 0; line < lines.size(); ++line) {
        const TBox& box = panels[line / 2];
        EXPECT_EQ(10u, lines[line].size());
        for (const auto& [x, y] : lines[line])
            EXPECT_TRUE(x >= box.x && x <= box.x + box.width && y >= box.y && y <= box.y + box.height)
                << "line " << line << " point " << x << "," << y;
    }
    // Years grow to the right, shift distances and areas upwards.
    for (const std::size_t line : {2u, 4u}) {
        EXPECT_LT(lines[line][0].first, lines[line][1].first);
        EXPECT_GT(lines[line][0].second, lines[line][1].second);
    }
}

TEST(TMetricsPlot, MissingValuesBreakTheLine)
{
    TPlotSeries model = Model("gaps.mp", 0.0);
    model.CentroidX[4] = kNaN;           // path: two pieces
    model.ShiftDistanceKm[0] = kNaN;     // before the reference year: one piece
    model.AreaKm2[1] = kNaN;             // a lone first point and one piece
    const std::string svg = TMetricsPlot::Render({model});
    EXPECT_EQ(4u, Count(svg, "<polyline"));
    EXPECT_NE(std::string::npos, svg.find("\" r=\"2.00\""));
}

TEST(TMetricsPlot, LegendTextIsEscapedAndBounded)
{
    std::vector<TPlotSeries> models;
    for (int i = 0; i < 45; ++i)
        models.push_back(Model("run<" + std::to_string(i) + ">&.mp", i));
    const std::string svg = TMetricsPlot::Render(models);
    EXPECT_NE(std::string::npos, svg.find(">run&lt;0&gt;&amp;.mp<"));
    EXPECT_EQ(std::string::npos, svg.find("run<"));
    EXPECT_NE(std::string::npos, svg.find("and 5 more models"));
    EXPECT_NE(std::string::npos, TMetricsPlot::Render({}).find("no model to show"));
    EXPECT_THROW(TMetricsPlot::Write("/nonexistent-folder/f.svg", models), std::runtime_error);
}

} // namespace
