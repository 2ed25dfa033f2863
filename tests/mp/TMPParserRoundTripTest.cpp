// Property: a random collection written as an MP file (LF or CRLF, blank and
// one-character lines among the value lines, blocks in any order) reads back
// equal: names, locations, resolution and every population.

#include "mp/TLineReader.h"
#include "mp/TMPParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using quorvel::TLineReader;
using quorvel::TMPParser;
using quorvel::TYear;

namespace {

struct TModel {
    double resolution;
    std::vector<std::string> names;
    std::vector<double> x, y;
    std::vector<std::vector<double>> populations; // [patch][year]
};

std::string Exact(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

TModel RandomModel(std::mt19937_64& random)
{
    TModel model;
    model.resolution = static_cast<double>(random() % 1000 + 1) / 8;
    const int patches = static_cast<int>(random() % 12) + 1;
    const int years = static_cast<int>(random() % 9);
    for (int p = 0; p < patches; ++p) {
        model.names.push_back("Pop " + std::to_string(p + 1) + (random() % 3 == 0 ? " x" : ""));
        model.x.push_back(std::ldexp(static_cast<double>(random() % 100000) - 50000, -7));
        model.y.push_back(static_cast<double>(random() % 500) / 3);
        std::vector<double> values;
        for (int t = 0; t < years; ++t)
            values.push_back(random() % 4 == 0 ? 0.0 : std::ldexp(static_cast<double>(random() % (1 << 30)), -12));
        model.populations.push_back(values);
    }
    return model;
}

std::string Write(const TModel& model, std::mt19937_64& random, const std::string& end)
{
    std::string text = "Synthetic model" + end + "Cell length " + Exact(model.resolution) + " km" + end;
    for (std::size_t p = 0; p < model.names.size(); ++p)
        text += model.names[p] + "," + Exact(model.x[p]) + "," + Exact(model.y[p]) + ",100,hab.KCH" + end;
    text += "Migration" + end + "0.1,0.2" + end + "Pop. ALL" + end;
    const std::size_t years = model.populations.front().size();
    for (std::size_t t = 0; t < years; ++t)
        text += "1 2 3 4" + end;
    std::vector<std::size_t> order(model.names.size());
    for (std::size_t p = 0; p < order.size(); ++p)
        order[p] = p;
    std::shuffle(order.begin(), order.end(), random);
    for (std::size_t p : order) {
        text += "Pop. " + std::to_string(p + 1) + end;
        for (std::size_t t = 0; t < years; ++t) {
            // Lines that hold no value, before a value line.
            static const char* const kFillers[] = {"", "7", " ", "   "};
            if (random() % 4 == 0)
                text += std::string(kFillers[random() % 4]) + end;
            text += Exact(model.populations[p][t]) + " 0.5 1 2" + end;
        }
    }
    return text + "Trailing section" + end;
}

} // namespace

TEST(TMPParserRoundTrip, RandomModelsReadBackEqual)
{
    std::mt19937_64 random(2026);
    for (int round = 0; round < 500; ++round) {
        const TModel model = RandomModel(random);
        const std::string text = Write(model, random, round % 2 ? "\r\n" : "\n");
        TLineReader reader(TLineReader::MemorySource(text, 1 + random() % 300), 16 + random() % 100);
        const auto patches = TMPParser::LoadMP(reader, 1990, "round-trip");
        ASSERT_EQ(model.resolution, patches->GetResolution());
        ASSERT_EQ(static_cast<std::int32_t>(model.names.size()), patches->GetNumPatches());
        for (std::size_t p = 0; p < model.names.size(); ++p) {
            const auto* patch = patches->GetPatch(model.names[p]);
            EXPECT_EQ(model.x[p], patch->GetX());
            EXPECT_EQ(model.y[p], patch->GetY());
            std::vector<double> read;
            TYear expectedYear = 1990;
            patch->ForEachYear([&](TYear year, double population) {
                EXPECT_EQ(expectedYear++, year);
                read.push_back(population);
            });
            EXPECT_EQ(model.populations[p], read) << model.names[p] << " in round " << round;
        }
    }
}
