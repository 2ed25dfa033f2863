#include "metrics/TMetricsPlot.h"

#include "metrics/TSvgWriter.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <stdexcept>

namespace quorvel {

namespace {

constexpr const char* kPalette[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd",
                                    "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};
constexpr std::size_t kPaletteSize = sizeof kPalette / sizeof kPalette[0];
constexpr double kInf = std::numeric_limits<double>::infinity();

constexpr double kLeft = 75.0;
constexpr double kTop = 50.0;
constexpr double kPanelWidth = 340.0;
constexpr double kPanelHeight = 300.0;
constexpr double kPanelStep = 430.0;
constexpr double kWidth = kLeft + 2 * kPanelStep + kPanelWidth + 25.0;
constexpr double kLegendTop = kTop + kPanelHeight + 70.0;
constexpr double kLegendRow = 20.0;
constexpr std::size_t kLegendColumns = 4;
constexpr std::size_t kLegendMax = 40;

struct TRange {
    double lo = kInf;
    double hi = -kInf;
    void Add(double value)
    {
        if (std::isfinite(value)) {
            lo = std::min(lo, value);
            hi = std::max(hi, value);
        }
    }
    bool Empty() const { return lo > hi; }
    double Span() const { return hi - lo; }
};

// A data range made fit to draw: never empty or of zero width, with a
// margin so that lines do not run along the frame.
TRange Padded(TRange range, bool fromZero)
{
    if (range.Empty())
        range = TRange{0.0, 1.0};
    if (fromZero)
        range.lo = std::min(range.lo, 0.0);
    if (range.Span() == 0.0) {
        const double half = std::max(1.0, std::fabs(range.lo) * 0.1);
        range.lo -= half;
        range.hi += half;
    }
    const double margin = range.Span() * 0.05;
    if (!(fromZero && range.lo == 0.0))
        range.lo -= margin;
    range.hi += margin;
    return range;
}

struct TAxis {
    double lo, hi;           // data
    double pixelLo, pixelHi; // where lo and hi are drawn
    double Map(double value) const { return pixelLo + (value - lo) / (hi - lo) * (pixelHi - pixelLo); }
};

struct TTicks {
    std::vector<double> values;
    int decimals = 0;
};

// About five ticks at 1, 2 or 5 times a power of ten inside the range.
TTicks NiceTicks(const TRange& range, bool integers)
{
    TTicks ticks;
    const double raw = range.Span() / 5.0;
    if (!(raw > 0.0) || !std::isfinite(raw))
        return ticks;
    int exponent = static_cast<int>(std::floor(std::log10(raw)));
    const double fraction = raw / std::pow(10.0, exponent);
    double nice = fraction < 1.5 ? 1.0 : fraction < 3.0 ? 2.0 : fraction < 7.0 ? 5.0 : 10.0;
    if (nice == 10.0) {
        nice = 1.0;
        ++exponent;
    }
    if (integers && exponent < 0) {
        nice = 1.0;
        exponent = 0;
    }
    const double step = nice * std::pow(10.0, exponent);
    ticks.decimals = std::max(0, -exponent);
    for (double k = std::ceil(range.lo / step); k * step <= range.hi && ticks.values.size() < 50; ++k)
        ticks.values.push_back(k * step);
    return ticks;
}

std::string TickLabel(double value, int decimals)
{
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    std::string label(text, error == std::errc() ? end : text);
    // -0 and -0.00 from rounding a tiny negative product.
    if (label.find_first_not_of("-0.") == std::string::npos && label.front() == '-')
        label.erase(0, 1);
    return label;
}

struct TPanel {
    double x, y;
    std::string id, title, xLabel, yLabel;
};

void DrawFrame(TSvgWriter& svg, const TPanel& panel, const TAxis& xAxis, const TAxis& yAxis, const TTicks& xTicks,
               const TTicks& yTicks)
{
    const double right = panel.x + kPanelWidth;
    const double bottom = panel.y + kPanelHeight;
    svg.Rect(panel.x, panel.y, kPanelWidth, kPanelHeight, "#ffffff", "#555555", 1.0);
    for (const double value : xTicks.values) {
        const double px = xAxis.Map(value);
        svg.Line(px, panel.y, px, bottom, "#e4e4e4", 1.0);
        svg.Line(px, bottom, px, bottom + 5.0, "#555555", 1.0);
        svg.Text(px, bottom + 18.0, TickLabel(value, xTicks.decimals), 11.0, "middle");
    }
    for (const double value : yTicks.values) {
        const double py = yAxis.Map(value);
        svg.Line(panel.x, py, right, py, "#e4e4e4", 1.0);
        svg.Line(panel.x - 5.0, py, panel.x, py, "#555555", 1.0);
        svg.Text(panel.x - 8.0, py + 4.0, TickLabel(value, yTicks.decimals), 11.0, "end");
    }
    svg.Text(panel.x + kPanelWidth / 2.0, panel.y - 12.0, panel.title, 14.0, "middle", 0.0, "bold");
    svg.Text(panel.x + kPanelWidth / 2.0, bottom + 40.0, panel.xLabel, 12.0, "middle");
    svg.Text(panel.x - 52.0, panel.y + kPanelHeight / 2.0, panel.yLabel, 12.0, "middle", -90.0);
    svg.ClipRect(panel.id, panel.x, panel.y, kPanelWidth, kPanelHeight);
}

// One line per run of consecutive finite points; a lone point is a dot.
void DrawSeries(TSvgWriter& svg, const std::vector<double>& xs, const std::vector<double>& ys, const TAxis& xAxis,
                const TAxis& yAxis, const char* colour)
{
    std::vector<TPoint> run;
    auto flush = [&] {
        if (run.size() == 1)
            svg.Circle(run.front().X(), run.front().Y(), 2.0, colour);
        else
            svg.Polyline(run, colour, 1.6);
        run.clear();
    };
    for (std::size_t i = 0; i < xs.size() && i < ys.size(); ++i) {
        if (std::isfinite(xs[i]) && std::isfinite(ys[i]))
            run.emplace_back(xAxis.Map(xs[i]), yAxis.Map(ys[i]));
        else
            flush();
    }
    flush();
}

std::vector<double> YearsAsDoubles(const TPlotSeries& model)
{
    return std::vector<double>(model.Years.begin(), model.Years.end());
}

std::string LegendName(const std::string& name)
{
    constexpr std::size_t kMax = 44;
    if (name.size() <= kMax)
        return name;
    return "\xe2\x80\xa6" + name.substr(name.size() - (kMax - 1)); // an ellipsis, then the end of the path
}

} // namespace

TPlotSeries TMetricsPlot::MakeSeries(std::string name, const TModelMetrics& metrics)
{
    TPlotSeries series;
    series.Name = std::move(name);
    series.Years = metrics.Years;
    series.CentroidX = metrics.Columns[TRangeMetrics::CentroidXGrid];
    series.CentroidY = metrics.Columns[TRangeMetrics::CentroidYGrid];
    series.ShiftDistanceKm = metrics.Columns[TRangeMetrics::ShiftDistanceKm];
    series.AreaKm2 = metrics.Columns[TRangeMetrics::McpAreaKm2];
    return series;
}

std::string TMetricsPlot::Render(const std::vector<TPlotSeries>& models, const std::string& shiftNote)
{
    const std::size_t shown = std::min(models.size(), kLegendMax);
    const std::size_t legendRows = (shown + kLegendColumns - 1) / kLegendColumns + (models.size() > shown ? 1 : 0);
    const double height = kLegendTop + 24.0 + static_cast<double>(legendRows) * kLegendRow + 16.0;
    TSvgWriter svg(kWidth, height);
    svg.Rect(0.0, 0.0, kWidth, height, "#ffffff");

    TRange xRange, yRange, years, shift, area;
    for (const TPlotSeries& model : models) {
        for (std::size_t i = 0; i < model.Years.size(); ++i) {
            if (std::isfinite(model.CentroidX[i]) && std::isfinite(model.CentroidY[i])) {
                xRange.Add(model.CentroidX[i]);
                yRange.Add(model.CentroidY[i]);
            }
            years.Add(model.Years[i]);
            shift.Add(model.ShiftDistanceKm[i]);
            area.Add(model.AreaKm2[i]);
        }
    }

    // Panel 1: equal scales, so the path keeps its true shape.
    {
        const TPanel panel{kLeft, kTop, "trajectory", "Weighted centroid path", "x (grid units)", "y (grid units)"};
        TRange x = Padded(xRange, false), y = Padded(yRange, false);
        const double unitsPerPixel = std::max(x.Span() / kPanelWidth, y.Span() / kPanelHeight);
        const double xMid = (x.lo + x.hi) / 2.0, yMid = (y.lo + y.hi) / 2.0;
        x = TRange{xMid - unitsPerPixel * kPanelWidth / 2.0, xMid + unitsPerPixel * kPanelWidth / 2.0};
        y = TRange{yMid - unitsPerPixel * kPanelHeight / 2.0, yMid + unitsPerPixel * kPanelHeight / 2.0};
        const TAxis xAxis{x.lo, x.hi, panel.x, panel.x + kPanelWidth};
        const TAxis yAxis{y.lo, y.hi, panel.y + kPanelHeight, panel.y};
        DrawFrame(svg, panel, xAxis, yAxis, NiceTicks(x, false), NiceTicks(y, false));
        svg.BeginGroup(panel.id);
        for (std::size_t m = 0; m < models.size(); ++m) {
            const TPlotSeries& model = models[m];
            const char* colour = kPalette[m % kPaletteSize];
            DrawSeries(svg, model.CentroidX, model.CentroidY, xAxis, yAxis, colour);
            std::size_t firstAt = model.Years.size(), lastAt = model.Years.size();
            for (std::size_t i = 0; i < model.Years.size(); ++i) {
                if (std::isfinite(model.CentroidX[i]) && std::isfinite(model.CentroidY[i])) {
                    if (firstAt == model.Years.size())
                        firstAt = i;
                    lastAt = i;
                }
            }
            if (firstAt < model.Years.size()) {
                svg.Circle(xAxis.Map(model.CentroidX[firstAt]), yAxis.Map(model.CentroidY[firstAt]), 4.0,
                           "#ffffff", colour, 1.6);
                svg.Circle(xAxis.Map(model.CentroidX[lastAt]), yAxis.Map(model.CentroidY[lastAt]), 4.0, colour);
            }
        }
        svg.EndGroup();
    }

    // Panels 2 and 3: a quantity over the years, from zero up.
    auto overYears = [&](double left, const char* id, const std::string& title, const char* yLabel,
                         const TRange& values, std::vector<double> TPlotSeries::*column) {
        const TPanel panel{left, kTop, id, title, "year", yLabel};
        const TRange x = Padded(years, false), y = Padded(values, true);
        const TAxis xAxis{x.lo, x.hi, panel.x, panel.x + kPanelWidth};
        const TAxis yAxis{y.lo, y.hi, panel.y + kPanelHeight, panel.y};
        DrawFrame(svg, panel, xAxis, yAxis, NiceTicks(x, true), NiceTicks(y, false));
        svg.BeginGroup(panel.id);
        for (std::size_t m = 0; m < models.size(); ++m)
            DrawSeries(svg, YearsAsDoubles(models[m]), models[m].*column, xAxis, yAxis, kPalette[m % kPaletteSize]);
        svg.EndGroup();
    };
    overYears(kLeft + kPanelStep, "shift",
              shiftNote.empty() ? "Shift from the reference year" : "Shift from the reference year (" + shiftNote + ")",
              "shift distance (km)", shift, &TPlotSeries::ShiftDistanceKm);
    overYears(kLeft + 2 * kPanelStep, "area", "Range area (minimum convex polygon)", "area (km\xc2\xb2)", area,
              &TPlotSeries::AreaKm2);

    // Legend: the marker key, then one entry per model.
    const double keyY = kLegendTop;
    svg.Text(kLeft, keyY + 4.0, "Models", 12.0, "start", 0.0, "bold");
    svg.Circle(kLeft + 80.0, keyY, 4.0, "#ffffff", "#333333", 1.6);
    svg.Text(kLeft + 90.0, keyY + 4.0, "first year", 11.0);
    svg.Circle(kLeft + 170.0, keyY, 4.0, "#333333");
    svg.Text(kLeft + 180.0, keyY + 4.0, "last year of the centroid path", 11.0);
    const double columnWidth = (kWidth - kLeft) / static_cast<double>(kLegendColumns);
    for (std::size_t m = 0; m < shown; ++m) {
        const double x = kLeft + static_cast<double>(m % kLegendColumns) * columnWidth;
        const double y = keyY + 24.0 + static_cast<double>(m / kLegendColumns) * kLegendRow;
        svg.Line(x, y, x + 24.0, y, kPalette[m % kPaletteSize], 3.0);
        svg.Text(x + 30.0, y + 4.0, LegendName(models[m].Name), 11.0);
    }
    if (models.size() > shown) {
        const double y = keyY + 24.0 + static_cast<double>(legendRows - 1) * kLegendRow;
        svg.Text(kLeft, y + 4.0,
                 "and " + std::to_string(models.size() - shown) + " more models (colours repeat every " +
                     std::to_string(kPaletteSize) + ")",
                 11.0);
    }
    if (models.empty())
        svg.Text(kLeft, keyY + 28.0, "no model to show", 11.0);
    return svg.Finish();
}

void TMetricsPlot::Write(const std::string& path, const std::vector<TPlotSeries>& models,
                         const std::string& shiftNote)
{
    const std::string document = Render(models, shiftNote);
    auto fail = [&path] {
        const int error = errno;
        std::string message = "cannot write the figure \"";
        message.append(path).append("\": ").append(error != 0 ? std::strerror(error) : "write error");
        throw std::runtime_error(message);
    };
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        fail();
    out.write(document.data(), static_cast<std::streamsize>(document.size()));
    out.close();
    if (!out)
        fail();
}

} // namespace quorvel
