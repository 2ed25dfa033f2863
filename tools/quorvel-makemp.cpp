// quorvel-makemp: writes a synthetic MP file whose population drifts across
// a grid of patches, for examples, tests and benchmarks.
//
// Every number is made with integer arithmetic from a counter-based hash and
// printed with integer formatting, so a given set of options gives the same
// bytes on every machine, compiler and standard library.

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

constexpr const char* kUsage =
    "Usage: quorvel-makemp [--patches P] [--years T] [--seed S] [--resolution KM]\n"
    "                      [--crlf] [--output FILE]\n"
    "  --patches P      number of patches, on a grid (default 300)\n"
    "  --years T        number of years (default 40)\n"
    "  --seed S         seed of the pseudo-random numbers (default 1)\n"
    "  --resolution KM  cell length in km; 0 writes no resolution line (default 2.5)\n"
    "  --crlf           end lines with CR LF\n"
    "  --output FILE    write to FILE instead of standard output\n";

struct TOptions {
    std::int64_t Patches = 300;
    std::int64_t Years = 40;
    std::uint64_t Seed = 1;
    double Resolution = 2.5;
    bool Crlf = false;
    std::string Output;
};

// splitmix64's finaliser: a good 64-bit mix, cheap enough to call per value.
constexpr std::uint64_t Mix(std::uint64_t z)
{
    z += 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// Random bits for one (stream, patch, year) triple; independent of the order
// in which values are made, so both passes see the same numbers.
constexpr std::uint64_t Hash(std::uint64_t seed, std::uint64_t stream, std::uint64_t patch, std::uint64_t year)
{
    return Mix(Mix(Mix(seed ^ (stream * 0xd6e8feb86659fd93ULL)) ^ patch) ^ (year * 0x9e3779b97f4a7c15ULL));
}

enum TStream : std::uint64_t { kJitter = 1, kCapacity, kGap, kNoise, kSpread, kCentre, kTotal, kRmax };

// Buffered output: lines are formatted straight into a large buffer that is
// written in big chunks.
class TWriter {
public:
    TWriter(std::FILE* file, bool crlf) : file_(file), crlf_(crlf), buffer_(kCapacity) {}

    // Room for one line of the longest kind written here.
    void Reserve()
    {
        if (kCapacity - used_ < kMaxLine)
            Flush();
    }

    void Text(std::string_view text)
    {
        if (kCapacity - used_ < text.size() + 2)
            Flush();
        if (text.size() > kCapacity - 2) {
            std::fwrite(text.data(), 1, text.size(), file_);
            return;
        }
        std::memcpy(buffer_.data() + used_, text.data(), text.size());
        used_ += text.size();
    }

    void Char(char c) { buffer_[used_++] = c; }

    void Integer(std::uint64_t value)
    {
        const auto result = std::to_chars(buffer_.data() + used_, buffer_.data() + kCapacity, value);
        used_ = static_cast<std::size_t>(result.ptr - buffer_.data());
    }

    // A fixed-point value given in units of 10^-decimals.
    void Fixed(std::uint64_t value, int decimals)
    {
        std::uint64_t scale = 1;
        for (int i = 0; i < decimals; ++i)
            scale *= 10;
        Integer(value / scale);
        if (decimals == 0)
            return;
        Char('.');
        std::uint64_t fraction = value % scale;
        for (int i = decimals - 1; i >= 0; --i) {
            buffer_[used_ + static_cast<std::size_t>(i)] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        used_ += static_cast<std::size_t>(decimals);
    }

    void EndLine()
    {
        if (crlf_)
            Char('\r');
        Char('\n');
    }

    void Line(std::string_view text)
    {
        Text(text);
        EndLine();
    }

    void Flush()
    {
        if (used_ > 0 && std::fwrite(buffer_.data(), 1, used_, file_) != used_)
            failed_ = true;
        used_ = 0;
    }

    bool Failed() const { return failed_ || std::ferror(file_) != 0; }

private:
    static constexpr std::size_t kCapacity = std::size_t{1} << 22;
    static constexpr std::size_t kMaxLine = 256;
    std::FILE* file_;
    bool crlf_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
};

// Values are kept in units of 10^-4 individuals, so every decimal written is
// exact.
constexpr std::int64_t kUnit = 10000;
constexpr int kDecimals = 4;

class TModel {
public:
    explicit TModel(const TOptions& options)
        : seed_(options.Seed), patches_(options.Patches), years_(options.Years)
    {
        width_ = 1;
        while (width_ * width_ < patches_)
            ++width_;
        height_ = (patches_ + width_ - 1) / width_;
        // The range covers about a third of the grid and never vanishes on
        // tiny grids.
        radius_ = std::max<std::int64_t>(1500, std::min(width_, height_) * 1000 * 35 / 100);
        radius2_ = radius_ * radius_;

        centreX_.resize(static_cast<std::size_t>(years_));
        centreY_.resize(static_cast<std::size_t>(years_));
        amplitude_.resize(static_cast<std::size_t>(years_));
        const std::int64_t span = std::max<std::int64_t>(1, years_ - 1);
        for (std::int64_t t = 0; t < years_; ++t) {
            // From 20% to 80% of the width, and a little north, with a wobble.
            centreX_[Index(t)] = 1000 + (width_ - 1) * 1000 * (2 * span + 6 * t) / (10 * span);
            const auto wobble = static_cast<std::int64_t>(Hash(seed_, kCentre, 0, Unsigned(t)) % 2001) - 1000;
            centreY_[Index(t)] =
                1000 + (height_ - 1) * 1000 * (45 * span + 10 * t) / (100 * span) + (height_ - 1) * wobble / 100;
            // Abundance grows from 70% to 100% over the run, in 1/1024.
            amplitude_[Index(t)] = 717 + 307 * t / span;
        }
    }

    std::int64_t Width() const { return width_; }
    std::int64_t Height() const { return height_; }

    // Patch position in 1/1000 grid cells: grid point plus up to 0.2 of jitter.
    std::int64_t X(std::int64_t patch) const
    {
        return (patch % width_ + 1) * 1000 + Jitter(patch, 0);
    }
    std::int64_t Y(std::int64_t patch) const
    {
        return (patch / width_ + 1) * 1000 + Jitter(patch, 1);
    }

    std::int64_t Capacity(std::int64_t patch) const
    {
        return 200 + static_cast<std::int64_t>(Hash(seed_, kCapacity, Unsigned(patch), 0) % 4801);
    }

    // Mean population of a patch in a year, in kUnit.
    std::int64_t Mean(std::int64_t patch, std::int64_t x, std::int64_t y, std::int64_t capacity, std::int64_t t) const
    {
        if (InGap(patch, t))
            return 0;
        const std::int64_t dx = x - centreX_[Index(t)];
        const std::int64_t dy = y - centreY_[Index(t)];
        const std::int64_t d2 = dx * dx + dy * dy;
        if (d2 >= radius2_)
            return 0;
        // Biweight bump: (1 - d^2/R^2)^2, in 1/65536.
        const std::int64_t f = ((radius2_ - d2) << 16) / radius2_;
        const std::int64_t kernel = (f * f) >> 16;
        const std::uint64_t bits = Hash(seed_, kNoise, Unsigned(patch), Unsigned(t));
        const auto noise = static_cast<std::int64_t>(768 + bits % 513); // 0.75 .. 1.25
        std::int64_t value = (capacity * kUnit * kernel) >> 16;
        value = (value * amplitude_[Index(t)]) >> 10;
        value = (value * noise) >> 10;
        // Below half an individual the patch counts as empty.
        return value < kUnit / 2 ? 0 : value;
    }

    // Mean, standard deviation, minimum and maximum over replicates.
    void WriteValueLine(TWriter& out, std::int64_t patch, std::int64_t t, std::int64_t mean) const
    {
        out.Reserve();
        if (mean == 0) {
            for (int i = 0; i < 4; ++i) {
                if (i > 0)
                    out.Char(' ');
                out.Fixed(0, kDecimals);
            }
            out.EndLine();
            return;
        }
        const std::uint64_t bits = Hash(seed_, kSpread, Unsigned(patch), Unsigned(t));
        WriteSummary(out, mean, bits, 51, 154);
    }

    void WriteSummary(TWriter& out, std::int64_t mean, std::uint64_t bits, std::int64_t sdBase,
                      std::int64_t sdRange) const
    {
        const std::int64_t sd = mean * (sdBase + static_cast<std::int64_t>(bits % Unsigned(sdRange))) / 1024;
        const std::int64_t below = sd * (1536 + static_cast<std::int64_t>((bits >> 20) % 1024)) / 1024;
        const std::int64_t above = sd * (1536 + static_cast<std::int64_t>((bits >> 40) % 1024)) / 1024;
        out.Reserve();
        out.Fixed(Unsigned(mean), kDecimals);
        out.Char(' ');
        out.Fixed(Unsigned(sd), kDecimals);
        out.Char(' ');
        out.Fixed(Unsigned(std::max<std::int64_t>(0, mean - below)), kDecimals);
        out.Char(' ');
        out.Fixed(Unsigned(mean + above), kDecimals);
        out.EndLine();
    }

    std::uint64_t Seed() const { return seed_; }

private:
    static std::size_t Index(std::int64_t t) { return static_cast<std::size_t>(t); }
    static std::uint64_t Unsigned(std::int64_t v) { return static_cast<std::uint64_t>(v); }

    std::int64_t Jitter(std::int64_t patch, std::uint64_t axis) const
    {
        return static_cast<std::int64_t>(Hash(seed_, kJitter + axis * 16, Unsigned(patch), 0) % 401) - 200;
    }

    // One patch in eight goes extinct for 2 to 6 years and is recolonised.
    bool InGap(std::int64_t patch, std::int64_t t) const
    {
        const std::uint64_t bits = Hash(seed_, kGap, Unsigned(patch), 0);
        if (bits % 8 != 0 || years_ == 0)
            return false;
        const auto start = static_cast<std::int64_t>((bits >> 8) % Unsigned(years_));
        const auto length = static_cast<std::int64_t>(2 + (bits >> 40) % 5);
        return t >= start && t < start + length;
    }

    std::uint64_t seed_;
    std::int64_t patches_;
    std::int64_t years_;
    std::int64_t width_ = 1;
    std::int64_t height_ = 1;
    std::int64_t radius_ = 0;
    std::int64_t radius2_ = 0;
    std::vector<std::int64_t> centreX_;
    std::vector<std::int64_t> centreY_;
    std::vector<std::int64_t> amplitude_;
};

bool ParseInteger(std::string_view text, std::uint64_t& value)
{
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool ParseOptions(int argc, char** argv, TOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (name == "--crlf") {
            options.Crlf = true;
            continue;
        }
        if (name == "--help" || name == "-h") {
            error.clear();
            return false;
        }
        if (i + 1 >= argc) {
            error = "missing value after " + std::string(name);
            return false;
        }
        const std::string_view value = argv[++i];
        std::uint64_t number = 0;
        if (name == "--patches" || name == "--years") {
            // Bounds keep every intermediate product well inside 64 bits.
            constexpr std::uint64_t kMaxPatches = 100'000'000;
            constexpr std::uint64_t kMaxYears = 10'000'000;
            const bool patches = name == "--patches";
            const std::uint64_t low = patches ? 1 : 0;
            const std::uint64_t high = patches ? kMaxPatches : kMaxYears;
            if (!ParseInteger(value, number) || number < low || number > high) {
                error = std::string(name) + " needs an integer from " + std::to_string(low) + " to " +
                        std::to_string(high) + ", not \"" + std::string(value) + "\"";
                return false;
            }
            (patches ? options.Patches : options.Years) = static_cast<std::int64_t>(number);
        } else if (name == "--seed") {
            if (!ParseInteger(value, number)) {
                error = "--seed needs a non-negative 64-bit integer, not \"" + std::string(value) + "\"";
                return false;
            }
            options.Seed = number;
        } else if (name == "--resolution") {
            double resolution = 0;
            const auto result = std::from_chars(value.data(), value.data() + value.size(), resolution);
            if (result.ec != std::errc() || result.ptr != value.data() + value.size() || !std::isfinite(resolution) ||
                resolution < 0) {
                error = "--resolution needs a non-negative number, not \"" + std::string(value) + "\"";
                return false;
            }
            options.Resolution = resolution;
        } else if (name == "--output") {
            options.Output = value;
        } else {
            error = "unknown option " + std::string(name);
            return false;
        }
    }
    return true;
}

void WriteFile(const TOptions& options, TWriter& out)
{
    const TModel model(options);
    const std::int64_t patches = options.Patches;
    const std::int64_t years = options.Years;

    // First pass: whole-population totals and occupancy, which the file
    // gives before and after the patch blocks.
    std::vector<std::int64_t> totals(static_cast<std::size_t>(years), 0);
    std::vector<std::int64_t> occupied(static_cast<std::size_t>(years), 0);
    for (std::int64_t p = 0; p < patches; ++p) {
        const std::int64_t x = model.X(p), y = model.Y(p), capacity = model.Capacity(p);
        for (std::int64_t t = 0; t < years; ++t) {
            const std::int64_t mean = model.Mean(p, x, y, capacity, t);
            totals[static_cast<std::size_t>(t)] += mean;
            occupied[static_cast<std::size_t>(t)] += mean > 0;
        }
    }

    // Header. None of these lines may hold "km", "Pop", ".KCH" or ".DCH":
    // the first "km" line gives the resolution, and the first of the others
    // opens the patch list.
    out.Line("Metapopulation model file (synthetic)");
    out.Line("Range shift across a grid of patches");
    char resolution[64];
    const auto written = std::to_chars(resolution, resolution + sizeof resolution, options.Resolution);
    const std::string resolutionText(resolution, written.ptr);
    out.Line("Made by quorvel-makemp --patches " + std::to_string(patches) + " --years " + std::to_string(years) +
             " --seed " + std::to_string(options.Seed) + " --resolution " + resolutionText);
    out.Line("Replications");
    out.Line("100");
    out.Line("Duration");
    out.Line(std::to_string(years));
    // No 'k' or 'm' may come before the number.
    if (options.Resolution > 0)
        out.Line("Cell length " + resolutionText + " km");
    out.Line("Grid " + std::to_string(model.Width()) + " x " + std::to_string(model.Height()));

    // Patch list: name, X, Y, then further model fields that are not read.
    for (std::int64_t p = 0; p < patches; ++p) {
        const std::string number = std::to_string(p + 1);
        const std::int64_t capacity = model.Capacity(p);
        const std::uint64_t bits = Hash(model.Seed(), kRmax, static_cast<std::uint64_t>(p), 0);
        out.Text("Pop " + number);
        out.Reserve();
        out.Char(',');
        out.Fixed(static_cast<std::uint64_t>(model.X(p)), 3);
        out.Char(',');
        out.Fixed(static_cast<std::uint64_t>(model.Y(p)), 3);
        out.Char(',');
        out.Integer(static_cast<std::uint64_t>(capacity / 2));
        out.Text(",BH,");
        out.Fixed(105 + bits % 46, 2); // Rmax 1.05 .. 1.50
        out.Char(',');
        out.Integer(static_cast<std::uint64_t>(capacity));
        out.Text(",0,0,1,1,TRUE,0,1,hab" + number + ".KCH");
        out.EndLine();
    }
    out.Line("Migration");
    out.Line("TRUE");
    out.Line("0.25,1.5,1,12");
    out.Line("Correlation");
    out.Line("0.5,3,1");
    out.Line("Stages");
    out.Line("Adults,1,TRUE,1");
    out.Line("Stage matrix");
    out.Line("0.85");
    out.Line("Standard deviation matrix");
    out.Line("0.1");
    out.Line("Simulation results");

    // Population section: per-year totals, then one block per patch.
    out.Line("Pop. ALL");
    for (std::int64_t t = 0; t < years; ++t)
        model.WriteSummary(out, totals[static_cast<std::size_t>(t)],
                           Hash(model.Seed(), kTotal, 0, static_cast<std::uint64_t>(t)), 10, 31);
    for (std::int64_t p = 0; p < patches; ++p) {
        out.Reserve();
        out.Text("Pop. ");
        out.Integer(static_cast<std::uint64_t>(p + 1));
        out.EndLine();
        const std::int64_t x = model.X(p), y = model.Y(p), capacity = model.Capacity(p);
        for (std::int64_t t = 0; t < years; ++t)
            model.WriteValueLine(out, p, t, model.Mean(p, x, y, capacity, t));
    }
    out.Line("Occupancy");
    for (std::int64_t t = 0; t < years; ++t)
        model.WriteSummary(out, occupied[static_cast<std::size_t>(t)] * kUnit,
                           Hash(model.Seed(), kTotal, 1, static_cast<std::uint64_t>(t)), 20, 41);
    out.Flush();
}

} // namespace

int main(int argc, char** argv)
{
    TOptions options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        if (error.empty()) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        std::fprintf(stderr, "quorvel-makemp: %s (see --help)\n", error.c_str());
        return 2;
    }
    std::FILE* file = stdout;
    if (!options.Output.empty()) {
        file = std::fopen(options.Output.c_str(), "wb");
        if (file == nullptr) {
            std::fprintf(stderr, "quorvel-makemp: cannot open %s: %s\n", options.Output.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    TWriter out(file, options.Crlf);
    WriteFile(options, out);
    const bool failed = out.Failed();
    const bool closeFailed = file != stdout ? std::fclose(file) != 0 : std::fflush(file) != 0;
    if (failed || closeFailed) {
        std::fprintf(stderr, "quorvel-makemp: write error on %s\n",
                     options.Output.empty() ? "standard output" : options.Output.c_str());
        return 1;
    }
    return 0;
}
