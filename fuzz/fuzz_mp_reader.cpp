// libFuzzer target: the MP reader on arbitrary bytes, then the centroid
// analyses on what it read.
//
// The whole input is the MP file. It is read three times and the results are
// compared:
//   - with the start year 1990, through LoadMP(std::istream&, ...) when the
//     input size is a multiple of 8 and otherwise through
//     LoadMP(TLineReader&, ...) with a 4096-byte read block;
//   - through LoadMP(TLineReader&, ...) with a 16-byte read block (the
//     smallest) and the start year INT32_MIN;
//   - the same with a block of 16 + (input size mod 241) bytes and the start
//     year INT32_MAX - 1, so that a file of two years ends on the largest
//     year.
// The small blocks put line ends, CR LF pairs and block headers across block
// boundaries and leave input unread when the population section begins. The
// stream form is used for one input in eight only: it allocates and
// zero-fills a 2 MB buffer per call, which under ASan costs ten times a
// small file's whole reading; it differs from the other form only in the
// function that fills the buffer. Neither the block size nor the start year
// may change what is read: the same patches and populations, or the same
// error message in the first two and an error in the third, except that more
// than two years from INT32_MAX - 1 must fail.
//
// std::runtime_error is the reader's documented error for bad input; any
// other exception (std::bad_alloc, std::length_error, ...) escapes and is a
// finding, as is a broken invariant (reported through Check, which aborts).

#include "analysis/TCentroidTools.h"
#include "model/TCentroids.h"
#include "model/TPatch.h"
#include "model/TPatches.h"
#include "mp/TLineReader.h"
#include "mp/TMPParser.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using quorvel::TCentroids;
using quorvel::TCentroidTools;
using quorvel::TLineReader;
using quorvel::TMPParser;
using quorvel::TPatch;
using quorvel::TPatches;
using quorvel::TYear;

constexpr TYear kYearMax = std::numeric_limits<TYear>::max();
constexpr TYear kYearMin = std::numeric_limits<TYear>::min();

#define Check(condition) CheckAt((condition), #condition, __LINE__)

void CheckAt(bool holds, const char* what, int line)
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz_mp_reader.cpp:%d: invariant broken: %s\n", line, what);
    std::abort();
}

// Bitwise equality, so that NaN populations compare equal to themselves.
bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

struct TLoadResult {
    std::unique_ptr<TPatches> patches; // null after a std::runtime_error
    std::size_t years = 0;             // the number of years of every patch that has years
    std::string error;                 // the message of the std::runtime_error
};

// blockSize 0: through the std::istream form.
TLoadResult Load(const std::string& text, TYear startYear, std::size_t blockSize)
{
    TLoadResult result;
    try {
        if (blockSize == 0) {
            std::istringstream input(text);
            result.patches = TMPParser::LoadMP(input, startYear, "fuzz");
        } else {
            TLineReader reader(TLineReader::MemorySource(text), blockSize);
            result.patches = TMPParser::LoadMP(reader, startYear, "fuzz");
        }
    } catch (const std::runtime_error& error) {
        result.error = error.what();
        Check(!result.error.empty());
        return result;
    }
    Check(result.patches != nullptr);
    const TPatches& patches = *result.patches;
    Check(patches.GetNumPatches() >= 0);
    Check(patches.GetPatchMap().size() == static_cast<std::size_t>(patches.GetNumPatches()));
    for (const auto& [name, owned] : patches.GetPatchMap()) {
        Check(owned != nullptr);
        const TPatch* patch = owned.get();
        Check(patch->GetName() == name);
        const std::vector<TYear> years = patch->GetYearList();
        Check(years.size() == patch->GetNumYears());
        if (years.empty()) {
            Check(patch->GetMinYear() == TPatch::kNoMinYear && patch->GetMaxYear() == TPatch::kNoMaxYear);
            continue;
        }
        // Every block is one unbroken run of years from the start year, and
        // every block has as many values as the file has year lines.
        if (result.years == 0)
            result.years = years.size();
        Check(years.size() == result.years);
        Check(years.front() == startYear);
        for (std::size_t i = 1; i < years.size(); ++i)
            Check(std::int64_t{years[i]} == std::int64_t{years[i - 1]} + 1);
        Check(patch->GetMinYear() == years.front());
        Check(patch->GetMaxYear() == years.back());
        std::size_t visited = 0;
        patch->ForEachYear([&](TYear year, double population) {
            Check(visited < years.size() && year == years[visited]);
            Check(patch->HasYear(year));
            Check(SameBits(patch->GetYear(year), population));
            ++visited;
        });
        Check(visited == years.size());
        Check(!patch->HasYear(static_cast<TYear>(std::int64_t{years.front()} - 1)) || years.front() == kYearMin);
        Check(!patch->HasYear(static_cast<TYear>(std::int64_t{years.back()} + 1)) || years.back() == kYearMax);
    }
    return result;
}

// The same patches with the same populations, year for year in order.
bool SameModel(const TPatches& a, const TPatches& b)
{
    if (a.GetNumPatches() != b.GetNumPatches() || !SameBits(a.GetResolution(), b.GetResolution()))
        return false;
    auto ia = a.GetPatchMap().begin();
    for (auto ib = b.GetPatchMap().begin(); ib != b.GetPatchMap().end(); ++ia, ++ib) {
        const TPatch& pa = *ia->second;
        const TPatch& pb = *ib->second;
        if (pa.GetName() != pb.GetName() || !SameBits(pa.GetX(), pb.GetX()) || !SameBits(pa.GetY(), pb.GetY()) ||
            pa.GetNumYears() != pb.GetNumYears())
            return false;
        std::vector<double> values;
        pa.ForEachYear([&](TYear, double population) { values.push_back(population); });
        std::size_t i = 0;
        bool same = true;
        pb.ForEachYear([&](TYear, double population) { same = same && SameBits(values[i++], population); });
        if (!same)
            return false;
    }
    return true;
}

void Analyse(const TPatches& patches, std::size_t yearsPerPatch)
{
    const auto centroids = TCentroidTools::WeightedMeans(patches);
    Check(centroids != nullptr);
    // Every patch with years covers the same run, so the centroids cover it too.
    Check(centroids->GetNumYears() == yearsPerPatch);
    if (!centroids->IsEmpty()) {
        const auto shifts = TCentroidTools::GetRangeCoordShifts(*centroids, 0);
        Check(shifts->GetNumYears() == centroids->GetNumYears());
        // The first shift is the first centroid minus itself.
        const auto& first = shifts->GetEntries().front().second;
        Check(first.X() == 0.0 || std::isnan(first.X()));
        Check(first.Y() == 0.0 || std::isnan(first.Y()));
    }
    for (const std::int32_t threshold : {0, 1, 3}) {
        const auto cleaned = TCentroidTools::CleanPatches(patches, threshold);
        Check(cleaned->GetNumPatches() <= patches.GetNumPatches());
        Check(SameBits(cleaned->GetResolution(), patches.GetResolution()));
        if (threshold == 0)
            Check(SameModel(*cleaned, patches));
        for (const auto& [name, patch] : cleaned->GetPatchMap())
            Check(patches.PatchExists(name) && patch->GetNumYears() >= static_cast<std::size_t>(threshold));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    const TLoadResult common = Load(text, 1990, size % 8 == 0 ? 0 : 4096);
    const TLoadResult lowest = Load(text, kYearMin, 16);
    const TLoadResult nearMax = Load(text, kYearMax - 1, 16 + size % 241);

    // The block size and the start year do not change what is read...
    Check((common.patches != nullptr) == (lowest.patches != nullptr));
    if (common.patches)
        Check(SameModel(*common.patches, *lowest.patches));
    else
        Check(common.error == lowest.error);
    // ...except that years past INT32_MAX are an error.
    if (!common.patches) {
        Check(nearMax.patches == nullptr);
    } else if (common.years > 2) {
        Check(nearMax.patches == nullptr);
    } else {
        Check(nearMax.patches != nullptr);
        Check(SameModel(*common.patches, *nearMax.patches));
    }

    if (common.patches)
        Analyse(*common.patches, common.years);
    if (nearMax.patches)
        Analyse(*nearMax.patches, nearMax.years);
    return 0;
}
