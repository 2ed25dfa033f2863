// End-to-end tests of quorvel-metrics: the built program on the bundled
// example and on small generated models, its table checked against the
// library and against sums formed here from the file's own numbers.

#include "analysis/TCentroidTools.h"
#include "mp/TMPParser.h"

#include "TProgramRun.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>


namespace {

using quorvel::TCentroidTools;
using quorvel::TCentroids;
using quorvel::TMPParser;
using quorvel::TPoint;

const std::string kExample = std::string(QUORVEL_EXAMPLES) + "/example.mp";
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

using quorvel::testing::ReadFile;
using quorvel::testing::TResult;

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        fields.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return fields;
        start = end + 1;
    }
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines = Split(text, '\n');
    if (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

// A cell as a number: empty is NaN; anything else must read back whole.
double Number(const std::string& cell)
{
    if (cell.empty() || cell == "null")
        return kNaN;
    double value = 0.0;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    EXPECT_TRUE(error == std::errc() && end == cell.data() + cell.size()) << "not a number: \"" << cell << "\"";
    return value;
}

// Same double, bit for bit; NaN matches NaN.
bool Same(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A CSV or TSV table without quoted fields, by column name.
struct TTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;

    static TTable Parse(const std::string& text, char separator = ',')
    {
        TTable table;
        const auto lines = Lines(text);
        if (lines.empty())
            return table;
        table.header = Split(lines[0], separator);
        for (std::size_t i = 1; i < lines.size(); ++i) {
            table.rows.push_back(Split(lines[i], separator));
            EXPECT_EQ(table.header.size(), table.rows.back().size()) << lines[i];
        }
        return table;
    }
    std::size_t Column(const std::string& name) const
    {
        const auto it = std::find(header.begin(), header.end(), name);
        EXPECT_NE(header.end(), it) << "no column " << name;
        return static_cast<std::size_t>(it - header.begin());
    }
    const std::string& Cell(std::size_t row, const std::string& name) const { return rows.at(row).at(Column(name)); }
    double Value(std::size_t row, const std::string& name) const { return Number(Cell(row, name)); }
};

// The example model read here with nothing but string splitting: patch
// lines "name,x,y,...", then after "Pop. ALL" the year lines and one block
// per patch whose lines start with the population.
struct TRawModel {
    double resolution = 1.0;
    std::vector<std::string> names;
    std::vector<double> x, y;
    std::vector<std::vector<double>> populations; // [patch][year index]

    static TRawModel Read(const std::string& path)
    {
        TRawModel model;
        std::istringstream in(ReadFile(path));
        std::string line;
        bool resolutionSeen = false;
        while (std::getline(in, line) && line.find("Pop. ALL") == std::string::npos) {
            if (!resolutionSeen && line.size() > 3 && line.compare(line.size() - 3, 3, " km") == 0) {
                std::istringstream words(line.substr(0, line.find("km")));
                std::string word, last;
                while (words >> word)
                    last = word;
                model.resolution = std::stod(last);
                resolutionSeen = true;
            } else if (line.rfind("Pop ", 0) == 0 && line.find(',') != std::string::npos) {
                const auto fields = Split(line, ',');
                model.names.push_back(fields[0]);
                model.x.push_back(std::stod(fields[1]));
                model.y.push_back(std::stod(fields[2]));
            }
        }
        std::size_t years = 0;
        while (std::getline(in, line) && line.rfind("Pop.", 0) != 0)
            ++years;
        model.populations.assign(model.names.size(), std::vector<double>(years, 0.0));
        // Blocks until the next section ("Occupancy").
        do {
            const std::size_t patch = std::stoul(line.substr(5)) - 1;
            for (std::size_t t = 0; t < years && std::getline(in, line); ++t)
                model.populations.at(patch)[t] = std::stod(line.substr(0, line.find(' ')));
        } while (std::getline(in, line) && line.rfind("Pop. ", 0) == 0);
        return model;
    }

    std::size_t Years() const { return populations.empty() ? 0 : populations[0].size(); }
};

double Cross(TPoint o, TPoint a, TPoint b)
{
    return (a.X() - o.X()) * (b.Y() - o.Y()) - (a.Y() - o.Y()) * (b.X() - o.X());
}

// Area of the convex hull (monotone chain, then the shoelace formula).
double HullArea(std::vector<TPoint> points)
{
    std::sort(points.begin(), points.end(),
              [](TPoint a, TPoint b) { return a.X() < b.X() || (a.X() == b.X() && a.Y() < b.Y()); });
    if (points.size() < 3)
        return 0.0;
    std::vector<TPoint> hull(2 * points.size());
    std::size_t k = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        while (k >= 2 && Cross(hull[k - 2], hull[k - 1], points[i]) <= 0)
            --k;
        hull[k++] = points[i];
    }
    for (std::size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
        while (k >= lower && Cross(hull[k - 2], hull[k - 1], points[i]) <= 0)
            --k;
        hull[k++] = points[i];
    }
    hull.resize(k - 1);
    double twice = 0.0;
    for (std::size_t i = 0; i < hull.size(); ++i) {
        const TPoint& a = hull[i];
        const TPoint& b = hull[(i + 1) % hull.size()];
        twice += a.X() * b.Y() - b.X() * a.Y();
    }
    return std::fabs(twice) / 2.0;
}

// The weighted centroid of the share of year t's population at one end of x.
TPoint EdgeCentroid(const TRawModel& model, std::size_t t, double share, bool low)
{
    // Patches by name (byte order), then a plain selection sort on x: the
    // order the library documents, which decides between equal x.
    std::vector<std::size_t> order(model.names.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return model.names[a] < model.names[b]; });
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        std::size_t smallest = i;
        for (std::size_t j = i + 1; j < order.size(); ++j)
            if (model.x[order[j]] < model.x[order[smallest]])
                smallest = j;
        std::swap(order[i], order[smallest]);
    }
    if (!low)
        std::reverse(order.begin(), order.end());
    double total = 0.0;
    for (const auto& patch : model.populations)
        total += patch[t];
    const double target = total * share;
    double taken = 0.0, sumX = 0.0, sumY = 0.0;
    for (const std::size_t i : order) {
        if (taken >= target)
            break;
        const double part = std::min(model.populations[i][t], target - taken);
        taken += part;
        sumX += part * model.x[i];
        sumY += part * model.y[i];
    }
    return TPoint(sumX / taken, sumY / taken);
}

void ExpectNear(double expected, double actual, const std::string& what)
{
    EXPECT_NEAR(expected, actual, 1e-9 * std::max(1.0, std::fabs(expected))) << what;
}

class MetricsRun : public quorvel::testing::TProgramRunTest {
protected:
    std::string WriteGzip(const std::string& name, const std::string& text)
    {
        gzFile file = gzopen(Path(name).c_str(), "wb");
        EXPECT_NE(nullptr, file);
        EXPECT_EQ(static_cast<int>(text.size()), gzwrite(file, text.data(), static_cast<unsigned>(text.size())));
        EXPECT_EQ(Z_OK, gzclose(file));
        return Path(name);
    }

    TResult Run(const std::vector<std::string>& args, const std::string& stdinPath = "")
    {
        return Spawn(QUORVEL_METRICS_BINARY, args, stdinPath);
    }

    std::string MakeModel(const std::string& name, int patches, int years, int seed)
    {
        const auto result = Spawn(QUORVEL_MAKEMP_BINARY, {"--patches", std::to_string(patches), "--years",
                                                          std::to_string(years), "--seed", std::to_string(seed),
                                                          "--output", Path(name)});
        EXPECT_EQ(0, result.status) << result.err;
        return Path(name);
    }
};

TEST_F(MetricsRun, ExampleColumnsAgreeWithTheLibraryAndWithSumsFormedHere)
{
    const double edge = 0.2;
    const int burnIn = 3;
    const auto result = Run({"--start-year", "1990", "--burn-in", std::to_string(burnIn), "--edge", "0.2", kExample});
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ("", result.err);
    const TTable table = TTable::Parse(result.out);
    ASSERT_EQ(40u, table.rows.size());

    // Every cell equals, bit for bit, what the library's operations give.
    const auto patches = TMPParser::LoadMP(kExample, 1990);
    const double r = patches->GetResolution();
    const auto weighted = TCentroidTools::WeightedMeans(*patches);
    const auto means = TCentroidTools::Means(*patches);
    const auto shifts = TCentroidTools::GetRangeCoordShifts(*weighted, burnIn);
    const auto yearly = TCentroidTools::GetYearlyRangeCoordShifts(*weighted);
    const auto low = TCentroidTools::GetSubpopulationWeightedMeans(*patches, edge, 'X', true);
    const auto high = TCentroidTools::GetSubpopulationWeightedMeans(*patches, edge, 'X', false);
    const auto areas = TCentroidTools::GetMCPAreas(*patches);
    auto point = [](const TCentroids& series, int year) {
        return series.YearExists(year) ? series.GetCoords(year) : TPoint(kNaN, kNaN);
    };
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        const int year = 1990 + static_cast<int>(i);
        EXPECT_EQ(kExample, table.Cell(i, "file"));
        EXPECT_EQ(std::to_string(year), table.Cell(i, "year"));
        const TPoint c = point(*weighted, year), m = point(*means, year), s = point(*shifts, year),
                     d = point(*yearly, year), lo = point(*low, year), hi = point(*high, year);
        const std::map<std::string, double> expected = {
            {"total_population", TCentroidTools::SumPopulations(*patches, year)},
            {"occupied_patches", static_cast<double>(TCentroidTools::GetNonzeroPoints(*patches, year).size())},
            {"centroid_x_grid", c.X()},
            {"centroid_y_grid", c.Y()},
            {"centroid_x_km", r * c.X()},
            {"centroid_y_km", r * c.Y()},
            {"mean_x_grid", m.X()},
            {"mean_y_grid", m.Y()},
            {"shift_x_km", r * s.X()},
            {"shift_y_km", r * s.Y()},
            {"shift_distance_km", std::hypot(r * s.X(), r * s.Y())},
            {"yearly_shift_x_km_per_year", r * d.X()},
            {"yearly_shift_y_km_per_year", r * d.Y()},
            {"yearly_shift_distance_km_per_year", std::hypot(r * d.X(), r * d.Y())},
            {"edge_low_x_grid", lo.X()},
            {"edge_low_y_grid", lo.Y()},
            {"edge_high_x_grid", hi.X()},
            {"edge_high_y_grid", hi.Y()},
            {"mcp_area_grid2", areas[i]},
            {"mcp_area_km2", areas[i] * r * r},
        };
        EXPECT_EQ(expected.size() + 2, table.header.size());
        for (const auto& [column, value] : expected)
            EXPECT_TRUE(Same(value, table.Value(i, column)))
                << year << " " << column << ": library " << value << ", table " << table.Cell(i, column);
    }

    // A few years from the file's own numbers, summed here.
    const TRawModel raw = TRawModel::Read(kExample);
    ASSERT_EQ(300u, raw.names.size());
    ASSERT_EQ(40u, raw.Years());
    EXPECT_EQ(2.5, raw.resolution);
    auto centroid = [&](std::size_t t) {
        double total = 0.0, sx = 0.0, sy = 0.0;
        for (std::size_t p = 0; p < raw.names.size(); ++p) {
            total += raw.populations[p][t];
            sx += raw.x[p] * raw.populations[p][t];
            sy += raw.y[p] * raw.populations[p][t];
        }
        return TPoint(sx / total, sy / total);
    };
    const TPoint reference = centroid(burnIn);
    for (const std::size_t t : {std::size_t{0}, std::size_t{3}, std::size_t{17}, std::size_t{39}}) {
        const std::string year = std::to_string(1990 + t);
        double total = 0.0, mx = 0.0, my = 0.0;
        std::vector<TPoint> occupied;
        for (std::size_t p = 0; p < raw.names.size(); ++p) {
            total += raw.populations[p][t];
            if (raw.populations[p][t] > 0) {
                occupied.emplace_back(raw.x[p], raw.y[p]);
                mx += raw.x[p];
                my += raw.y[p];
            }
        }
        const TPoint c = centroid(t);
        ExpectNear(total, table.Value(t, "total_population"), year + " total");
        EXPECT_EQ(static_cast<double>(occupied.size()), table.Value(t, "occupied_patches")) << year;
        ExpectNear(c.X(), table.Value(t, "centroid_x_grid"), year + " centroid x");
        ExpectNear(c.Y(), table.Value(t, "centroid_y_grid"), year + " centroid y");
        ExpectNear(2.5 * c.X(), table.Value(t, "centroid_x_km"), year + " centroid x km");
        ExpectNear(mx / static_cast<double>(occupied.size()), table.Value(t, "mean_x_grid"), year + " mean x");
        ExpectNear(my / static_cast<double>(occupied.size()), table.Value(t, "mean_y_grid"), year + " mean y");
        if (t < static_cast<std::size_t>(burnIn)) {
            EXPECT_EQ("", table.Cell(t, "shift_x_km")) << year;
            EXPECT_EQ("", table.Cell(t, "shift_distance_km")) << year;
        } else {
            ExpectNear(2.5 * (reference.X() - c.X()), table.Value(t, "shift_x_km"), year + " shift x");
            ExpectNear(2.5 * (reference.Y() - c.Y()), table.Value(t, "shift_y_km"), year + " shift y");
            ExpectNear(2.5 * std::hypot(reference.X() - c.X(), reference.Y() - c.Y()),
                       table.Value(t, "shift_distance_km"), year + " shift distance");
        }
        if (t == 0) {
            EXPECT_EQ("", table.Cell(t, "yearly_shift_x_km_per_year"));
        } else {
            const TPoint before = centroid(t - 1);
            ExpectNear(2.5 * (c.X() - before.X()), table.Value(t, "yearly_shift_x_km_per_year"), year + " yearly x");
            ExpectNear(2.5 * (c.Y() - before.Y()), table.Value(t, "yearly_shift_y_km_per_year"), year + " yearly y");
        }
        const TPoint lo = EdgeCentroid(raw, t, edge, true), hi = EdgeCentroid(raw, t, edge, false);
        ExpectNear(lo.X(), table.Value(t, "edge_low_x_grid"), year + " low edge x");
        ExpectNear(lo.Y(), table.Value(t, "edge_low_y_grid"), year + " low edge y");
        ExpectNear(hi.X(), table.Value(t, "edge_high_x_grid"), year + " high edge x");
        ExpectNear(hi.Y(), table.Value(t, "edge_high_y_grid"), year + " high edge y");
        ExpectNear(HullArea(occupied), table.Value(t, "mcp_area_grid2"), year + " area");
        ExpectNear(6.25 * HullArea(occupied), table.Value(t, "mcp_area_km2"), year + " area km2");
    }
}

TEST_F(MetricsRun, TheTableIsTheSameForAnyNumberOfJobsAndAFailureSparesTheOthers)
{
    std::vector<std::string> files;
    for (int seed = 1; seed <= 9; ++seed)
        files.push_back(MakeModel("m" + std::to_string(seed) + ".mp", 40, 8 + seed, seed));
    // A missing file and a damaged one among the good ones.
    files.insert(files.begin() + 3, Path("missing.mp"));
    files.insert(files.begin() + 7, Write("damaged.mp", "Pop A,0,0\nMigration\nPop. ALL\nx\nx\nPop. 1\n5\n"));

    std::vector<std::string> one{"--jobs", "1"}, four{"--jobs", "4"};
    one.insert(one.end(), files.begin(), files.end());
    four.insert(four.end(), files.begin(), files.end());
    const auto serial = Run(one);
    const auto parallel = Run(four);
    EXPECT_EQ(1, serial.status);
    EXPECT_EQ(serial.out, parallel.out);
    EXPECT_EQ(serial.err, parallel.err);
    EXPECT_EQ(1, parallel.status);
    // One line per failed file, in the order given, then the count.
    std::string expectedErr;
    expectedErr.append("quorvel-metrics: ").append(Path("missing.mp")).append(": cannot open MP file \"");
    expectedErr.append(Path("missing.mp")).append("\": No such file or directory\n");
    expectedErr.append("quorvel-metrics: ").append(Path("damaged.mp"));
    expectedErr.append(":7: file ends inside block 1 of 1 (header on line 6: \"Pop. 1\"): 0 of 2 values read\n");
    expectedErr.append("quorvel-metrics: 2 of 11 files failed\n");
    EXPECT_EQ(expectedErr, serial.err);

    // The good files' rows, in the order given, each file's years in order.
    const TTable table = TTable::Parse(parallel.out);
    std::vector<std::string> expected;
    for (int seed = 1; seed <= 9; ++seed)
        for (int t = 0; t < 8 + seed; ++t)
            expected.push_back(Path(std::string("m").append(std::to_string(seed)).append(".mp"))
                                   .append(" ")
                                   .append(std::to_string(t)));
    std::vector<std::string> actual;
    for (const auto& row : table.rows)
        actual.push_back(row[0] + " " + row[1]);
    EXPECT_EQ(expected, actual);
    // And each file's rows are those of a run on that file alone.
    const auto alone = Run({files[5]});
    EXPECT_NE(std::string::npos, parallel.out.find(alone.out.substr(alone.out.find('\n') + 1)));
}

TEST_F(MetricsRun, GzipAndStandardInputGiveTheSameRowsAsThePlainFile)
{
    const std::string text = ReadFile(kExample);
    const std::string gz = WriteGzip("example.mp.gz", text);
    const auto plain = Run({"--start-year", "1990", kExample});
    ASSERT_EQ(0, plain.status) << plain.err;
    // The rows without their file column.
    auto body = [](const std::string& out, const std::string& file) {
        std::string rows;
        for (const std::string& line : Lines(out)) {
            EXPECT_EQ(0u, line.rfind(file + ",", 0)) << line;
            rows += line.substr(file.size()) + "\n";
        }
        return rows;
    };
    const std::string expected = body(plain.out.substr(plain.out.find('\n') + 1), kExample);
    ASSERT_EQ(40u, Lines(expected).size());
    for (const auto& [args, input] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{gz}, ""}, {{"-"}, gz}, {{"-"}, kExample}}) {
        std::vector<std::string> all{"--start-year", "1990"};
        all.insert(all.end(), args.begin(), args.end());
        const auto result = Run(all, input);
        EXPECT_EQ(0, result.status) << result.err;
        EXPECT_EQ(plain.out.substr(0, plain.out.find('\n') + 1), result.out.substr(0, result.out.find('\n') + 1));
        EXPECT_EQ(expected, body(result.out.substr(result.out.find('\n') + 1), args[0])) << args[0] << " < " << input;
    }

    // A cut stream is an error, not a short model.
    const std::string bytes = ReadFile(gz);
    const std::string cut = Write("cut.mp.gz", bytes.substr(0, bytes.size() * 3 / 4));
    const auto result = Run({gz, cut});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("quorvel-metrics: " + cut + ": cannot read MP file \"" + cut + "\": unexpected end of file\n" +
                  "quorvel-metrics: 1 of 2 files failed\n",
              result.err);
    EXPECT_EQ(41u, Lines(result.out).size());
}

// Three patches over three years; nobody lives anywhere in 2001.
const char* const kEmptyYear = "Cell length 2 km\n"
                               "Pop A,0,0\nPop B,10,0\nPop C,0,10\n"
                               "Migration\nPop. ALL\ny\ny\ny\n"
                               "Pop. 1\n1 0\n0 0\n2 0\n"
                               "Pop. 2\n3 0\n0 0\n2 0\n"
                               "Pop. 3\n0 0\n0 0\n4 0\n";

TEST_F(MetricsRun, AYearWithoutPopulationIsARowOfEmptyCells)
{
    const std::string file = Write("empty-year.mp", kEmptyYear);
    const auto csv = Run({"--start-year", "2000", file});
    ASSERT_EQ(0, csv.status) << csv.err;
    const TTable table = TTable::Parse(csv.out);
    ASSERT_EQ(3u, table.rows.size());
    EXPECT_EQ("2001", table.Cell(1, "year"));
    EXPECT_EQ("0", table.Cell(1, "total_population"));
    EXPECT_EQ("0", table.Cell(1, "occupied_patches"));
    for (std::size_t c = table.Column("centroid_x_grid"); c < table.header.size(); ++c) {
        EXPECT_EQ("", table.rows[1][c]) << table.header[c];
        // The years around it have their values, save the year-to-year
        // shifts next to it.
        if (table.header[c].rfind("yearly_", 0) != 0) {
            EXPECT_NE("", table.rows[2][c]) << table.header[c];
        }
    }
    // 2000: A 1 and B 3; 2002: A 2, B 2, C 4 (resolution 2).
    EXPECT_EQ("7.5", table.Cell(0, "centroid_x_grid"));
    EXPECT_EQ("8", table.Cell(2, "total_population"));
    EXPECT_EQ("3", table.Cell(2, "occupied_patches"));
    EXPECT_EQ("2.5,5", table.Cell(2, "centroid_x_grid") + "," + table.Cell(2, "centroid_y_grid"));
    EXPECT_EQ("10,-10", table.Cell(2, "shift_x_km") + "," + table.Cell(2, "shift_y_km"));
    EXPECT_EQ("0", table.Cell(0, "mcp_area_km2"));
    EXPECT_NEAR(200.0, table.Value(2, "mcp_area_km2"), 1e-9);

    // The same values in TSV and JSON Lines, where a missing value is null.
    const auto tsv = Run({"--start-year", "2000", "--format", "tsv", file});
    EXPECT_EQ(csv.out, [&] {
        std::string text = tsv.out;
        std::replace(text.begin(), text.end(), '\t', ',');
        return text;
    }());
    const auto jsonl = Run({"--start-year", "2000", "--format", "jsonl", file});
    const auto objects = Lines(jsonl.out);
    ASSERT_EQ(3u, objects.size());
    for (std::size_t i = 0; i < objects.size(); ++i) {
        std::string expected = "{";
        for (std::size_t c = 0; c < table.header.size(); ++c) {
            const std::string& cell = table.rows[i][c];
            expected += (c ? ",\"" : "\"") + table.header[c] + "\":";
            expected += c == 0 ? "\"" + cell + "\"" : cell.empty() ? "null" : cell;
        }
        EXPECT_EQ(expected + "}", objects[i]);
    }
}

TEST_F(MetricsRun, CompareWithABaseline)
{
    const std::string model = MakeModel("m.mp", 120, 40, 5);
    const auto run = Run({"--compare", kExample, "--start-year", "1990", model});
    ASSERT_EQ(0, run.status) << run.err;
    const auto own = Run({"--start-year", "1990", model});
    const auto baseline = Run({"--start-year", "1990", kExample});
    const TTable table = TTable::Parse(run.out), a = TTable::Parse(own.out), b = TTable::Parse(baseline.out);
    ASSERT_EQ(40u, table.rows.size());
    for (const char* column : {"baseline_diff_x_km", "baseline_diff_y_km", "prop_initial_shift_x_pct",
                               "prop_initial_shift_y_pct", "prop_yearly_shift_x_pct", "prop_yearly_shift_y_pct"})
        EXPECT_NE(table.header.end(), std::find(table.header.begin(), table.header.end(), column)) << column;
    for (std::size_t i = 0; i < 40; ++i) {
        // This model minus the baseline.
        ExpectNear(a.Value(i, "centroid_x_km") - b.Value(i, "centroid_x_km"), table.Value(i, "baseline_diff_x_km"),
                   "diff x");
        ExpectNear(a.Value(i, "centroid_y_km") - b.Value(i, "centroid_y_km"), table.Value(i, "baseline_diff_y_km"),
                   "diff y");
    }
    // The first year's proportional initial shift is 0 by construction.
    EXPECT_EQ("0", table.Cell(0, "prop_initial_shift_x_pct"));
    EXPECT_EQ("", table.Cell(0, "prop_yearly_shift_x_pct"));
    // This model's yearly step over the gap baseline minus this.
    const double step = a.Value(5, "centroid_x_grid") - a.Value(4, "centroid_x_grid");
    const double gap = b.Value(5, "centroid_x_grid") - a.Value(5, "centroid_x_grid");
    ExpectNear(step / gap * 100.0, table.Value(5, "prop_yearly_shift_x_pct"), "prop yearly");

    // Other years than the baseline's: the file fails, the others stay.
    const auto mismatch = Run({"--compare", kExample, MakeModel("short.mp", 30, 12, 2), model});
    EXPECT_EQ(1, mismatch.status);
    EXPECT_EQ("quorvel-metrics: " + Path("short.mp") +
                  ": the years 0 to 11 differ from the baseline's years 0 to 39 (--compare needs the same years)\n"
                  "quorvel-metrics: 1 of 2 files failed\n",
              mismatch.err);
    EXPECT_EQ(41u, Lines(mismatch.out).size());
    // An unreadable baseline stops the run.
    const auto noBaseline = Run({"--compare", Path("none.mp"), model});
    EXPECT_EQ(1, noBaseline.status);
    EXPECT_EQ("quorvel-metrics: baseline " + Path("none.mp") + ": cannot open MP file \"" + Path("none.mp") +
                  "\": No such file or directory\n",
              noBaseline.err);
}

TEST_F(MetricsRun, OptionsReachTheTable)
{
    // Each case changes one option; the named column must differ from the
    // default run's in the first year after the reference year.
    const auto base = Run({kExample});
    ASSERT_EQ(0, base.status);
    const TTable table = TTable::Parse(base.out);
    const struct {
        std::vector<std::string> args;
        const char* column;
    } kCases[] = {
        {{"--resolution", "4"}, "centroid_x_km"},
        {{"--threshold", "5"}, "occupied_patches"},
        {{"--smooth", "exp:4"}, "shift_x_km"},
        {{"--edge", "0.3"}, "edge_low_x_grid"},
        {{"--axis", "y"}, "edge_low_y_grid"},
        {{"--burn-in", "1"}, "shift_x_km"},
    };
    for (const auto& c : kCases) {
        std::vector<std::string> args = c.args;
        args.push_back(kExample);
        const auto result = Run(args);
        EXPECT_EQ(0, result.status) << result.err;
        const TTable changed = TTable::Parse(result.out);
        ASSERT_EQ(table.rows.size(), changed.rows.size());
        EXPECT_NE(table.Cell(2, c.column), changed.Cell(2, c.column)) << c.args[0];
    }
    // --output writes what standard output would get.
    const auto toFile = Run({"--output", Path("table.csv"), kExample});
    EXPECT_EQ(0, toFile.status);
    EXPECT_EQ("", toFile.out);
    EXPECT_EQ(base.out, ReadFile(Path("table.csv")));
}

TEST_F(MetricsRun, UsageErrorsExitWithTwo)
{
    const auto help = Run({"--help"});
    EXPECT_EQ(0, help.status);
    for (const char* option : {"--start-year", "--resolution", "--burn-in", "--threshold", "--smooth", "--edge",
                               "--axis", "--compare", "--format", "--output", "--plot", "--jobs", "--version"})
        EXPECT_NE(std::string::npos, help.out.find(option)) << option;
    const std::vector<std::vector<std::string>> kCases = {
        {}, {"--jobs", "0", kExample}, {"--smooth", "loess:3", kExample}, {"--edge", "2", kExample}};
    for (const auto& args : kCases) {
        const auto result = Run(args);
        EXPECT_EQ(2, result.status) << ::testing::PrintToString(args);
        EXPECT_EQ("", result.out);
        EXPECT_NE("", result.err);
    }
    const auto version = Run({"--version"});
    EXPECT_EQ(0, version.status);
    EXPECT_EQ(0u, version.out.find("quorvel-metrics "));
}

// --- The figure, rendered by headless Chromium --------------------------

struct TImage {
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint32_t> pixels; // 0xRRGGBB
};

std::uint32_t BigEndian(const std::string& bytes, std::size_t at)
{
    return (std::uint32_t{static_cast<unsigned char>(bytes[at])} << 24) |
           (std::uint32_t{static_cast<unsigned char>(bytes[at + 1])} << 16) |
           (std::uint32_t{static_cast<unsigned char>(bytes[at + 2])} << 8) |
           std::uint32_t{static_cast<unsigned char>(bytes[at + 3])};
}

// Decodes an 8-bit, non-interlaced RGB or RGBA PNG; empty on anything else.
TImage DecodePng(const std::string& png)
{
    TImage image;
    if (png.size() < 8 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
        return image;
    std::string compressed;
    unsigned channels = 0;
    for (std::size_t at = 8; at + 8 <= png.size();) {
        const std::uint32_t length = BigEndian(png, at);
        const std::string type = png.substr(at + 4, 4);
        if (at + 12 + length > png.size())
            return TImage();
        if (type == "IHDR") {
            image.width = BigEndian(png, at + 8);
            image.height = BigEndian(png, at + 12);
            const int depth = png[at + 16], colour = png[at + 17], interlace = png[at + 20];
            if (depth != 8 || (colour != 2 && colour != 6) || interlace != 0)
                return TImage();
            channels = colour == 2 ? 3 : 4;
        } else if (type == "IDAT") {
            compressed += png.substr(at + 8, length);
        }
        at += 12 + length;
    }
    const std::size_t stride = std::size_t{image.width} * channels;
    std::vector<unsigned char> raw((stride + 1) * image.height);
    uLongf size = static_cast<uLongf>(raw.size());
    if (channels == 0 ||
        uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(compressed.data()),
                   static_cast<uLong>(compressed.size())) != Z_OK ||
        size != raw.size())
        return TImage();
    std::vector<unsigned char> previous(stride, 0), row(stride);
    image.pixels.reserve(std::size_t{image.width} * image.height);
    for (std::uint32_t y = 0; y < image.height; ++y) {
        const unsigned char filter = raw[y * (stride + 1)];
        const unsigned char* in = &raw[y * (stride + 1) + 1];
        for (std::size_t i = 0; i < stride; ++i) {
            const int a = i >= channels ? row[i - channels] : 0;
            const int b = previous[i];
            const int c = i >= channels ? previous[i - channels] : 0;
            int predictor = 0;
            switch (filter) {
            case 1: predictor = a; break;
            case 2: predictor = b; break;
            case 3: predictor = (a + b) / 2; break;
            case 4: {
                const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                break;
            }
            default: break;
            }
            row[i] = static_cast<unsigned char>(in[i] + predictor);
        }
        for (std::uint32_t x = 0; x < image.width; ++x) {
            const unsigned char* p = &row[x * channels];
            image.pixels.push_back((std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2]);
        }
        previous = row;
    }
    return image;
}

TEST_F(MetricsRun, TheFigureRendersInABrowser)
{
    const std::string model = MakeModel("m.mp", 150, 30, 3);
    const std::string svgPath = Path("figure.svg");
    const auto run = Run({"--plot", svgPath, "--burn-in", "2", kExample, model});
    ASSERT_EQ(0, run.status) << run.err;
    const std::string svg = ReadFile(svgPath);
    ASSERT_NE(std::string::npos, svg.find("</svg>"));
    EXPECT_NE(std::string::npos, svg.find(">" + kExample + "<"));

    const char* chromium = "/usr/bin/chromium";
    if (access(chromium, X_OK) != 0)
        GTEST_SKIP() << "/usr/bin/chromium is missing (Debian package chromium, installed by "
                        "tools/install-deps.sh): the figure was written but not rendered";
    const std::string png = Path("figure.png");
    const auto shot = Spawn("/usr/bin/timeout",
                            {"120", chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                             "--no-first-run", "--disable-background-networking", "--disable-component-update",
                             "--disable-sync", "--user-data-dir=" + Path("chromium-profile"), "--screenshot=" + png,
                             "--window-size=1300,560", "file://" + svgPath});
    ASSERT_EQ(0, shot.status) << shot.err;
    const TImage image = DecodePng(ReadFile(png));
    ASSERT_EQ(1300u, image.width) << "not a PNG this test can read";
    ASSERT_EQ(560u, image.height);
    std::map<std::uint32_t, std::size_t> colours;
    for (const std::uint32_t pixel : image.pixels)
        ++colours[pixel];
    const std::size_t white = colours[0xffffff];
    // Mostly white paper, but with frames, text and lines on it, and the
    // first two series' colours (blue, orange) somewhere.
    EXPECT_GT(white, image.pixels.size() / 2);
    EXPECT_GT(image.pixels.size() - white, image.pixels.size() / 50);
    EXPECT_GT(colours.size(), 20u);
    auto near = [&](std::uint32_t target) {
        std::size_t count = 0;
        for (const auto& [pixel, n] : colours) {
            const int dr = static_cast<int>(pixel >> 16) - static_cast<int>(target >> 16);
            const int dg = static_cast<int>((pixel >> 8) & 0xff) - static_cast<int>((target >> 8) & 0xff);
            const int db = static_cast<int>(pixel & 0xff) - static_cast<int>(target & 0xff);
            if (dr * dr + dg * dg + db * db < 30 * 30)
                count += n;
        }
        return count;
    };
    EXPECT_GT(near(0x1f77b4), 100u) << "no blue line";
    EXPECT_GT(near(0xff7f0e), 100u) << "no orange line";
}

} // namespace
