#include "metrics/TModelLoader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

using quorvel::TModelLoader;
using quorvel::TPatches;

namespace {

// Three patches over three years, resolution 2.5, with enough repetition
// that the compressed stream spans several reads.
std::string ModelText()
{
    std::string text = "Cell length 2.5 km\nPop A,0,0\nPop B,10,0\nPop C,0,10\nMigration\nPop. ALL\n";
    const int years = 4000;
    for (int y = 0; y < years; ++y)
        text += "x\n";
    for (int p = 1; p <= 3; ++p) {
        text += "Pop. " + std::to_string(p) + "\n";
        for (int y = 0; y < years; ++y)
            text += std::to_string((p * 7 + y * 13) % 50) + " 0 0\n";
    }
    return text;
}

// Every patch's every (year, population), for comparing two loads.
std::string Dump(const TPatches& patches)
{
    std::string out = std::to_string(patches.GetResolution()) + "\n";
    for (const auto& [name, patch] : patches.GetPatchMap()) {
        out += name;
        for (const double coordinate : {patch->GetX(), patch->GetY()})
            out.append(" ").append(std::to_string(coordinate));
        out += ":";
        patch->ForEachYear([&](int year, double population) {
            out.append(" ").append(std::to_string(year)).append("=").append(std::to_string(population));
        });
        out += "\n";
    }
    return out;
}

class TModelLoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quorvel-loader-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    std::string WritePlain(const std::string& name, const std::string& text)
    {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::string WriteGzip(const std::string& name, const std::string& text)
    {
        const std::string path = dir_ + "/" + name;
        gzFile file = gzopen(path.c_str(), "wb");
        EXPECT_NE(nullptr, file);
        EXPECT_EQ(static_cast<int>(text.size()), gzwrite(file, text.data(), static_cast<unsigned>(text.size())));
        EXPECT_EQ(Z_OK, gzclose(file));
        return path;
    }
    std::string ReadBytes(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string dir_;
};

TEST_F(TModelLoaderTest, GzipGivesTheSameModelAsPlainText)
{
    const std::string text = ModelText();
    const std::string plain = Dump(*TModelLoader::Load(WritePlain("m.mp", text), 1990));
    EXPECT_NE(std::string::npos, plain.find("Pop A 0.000000 0.000000: 1990=7.000000 1991=20.000000"));
    EXPECT_EQ(plain, Dump(*TModelLoader::Load(WriteGzip("m.mp.gz", text), 1990)));
    // Plain text under a .gz name passes through zlib unchanged.
    EXPECT_EQ(plain, Dump(*TModelLoader::Load(WritePlain("plain.mp.gz", text), 1990)));
}

TEST_F(TModelLoaderTest, APipeOfEitherKind)
{
    const std::string text = ModelText();
    const std::string expected = Dump(*TModelLoader::Load(WritePlain("m.mp", text), 0));
    for (const std::string& bytes : {text, ReadBytes(WriteGzip("m.mp.gz", text))}) {
        int fds[2];
        ASSERT_EQ(0, pipe(fds));
        std::thread writer([&] {
            std::size_t done = 0;
            while (done < bytes.size()) {
                const ssize_t n = write(fds[1], bytes.data() + done, bytes.size() - done);
                if (n <= 0)
                    break;
                done += static_cast<std::size_t>(n);
            }
            close(fds[1]);
        });
        EXPECT_EQ(expected, Dump(*TModelLoader::LoadCompressed(fds[0], "-", 0)));
        writer.join();
    }
}

TEST_F(TModelLoaderTest, ErrorsNameTheFile)
{
    const std::string gzip = ReadBytes(WriteGzip("whole.mp.gz", ModelText()));
    std::string corrupt = gzip;
    corrupt[corrupt.size() / 2] = static_cast<char>(corrupt[corrupt.size() / 2] ^ 0x55);
    ASSERT_EQ(0, mkdir((dir_ + "/folder.gz").c_str(), 0755));
    const struct {
        std::string path;
        std::string message; // the start of the error
    } kCases[] = {
        {WritePlain("cut.mp.gz", gzip.substr(0, gzip.size() / 2)),
         "cannot read MP file \"" + dir_ + "/cut.mp.gz\": unexpected end of file"},
        {WritePlain("bad.mp.gz", corrupt), "cannot read MP file \"" + dir_ + "/bad.mp.gz\": "},
        {dir_ + "/missing.mp.gz", "cannot open MP file \"" + dir_ + "/missing.mp.gz\": No such file or directory"},
        {dir_, "cannot read MP file \"" + dir_ + "\": Is a directory"},
        {dir_ + "/folder.gz", "cannot read MP file \"" + dir_ + "/folder.gz\": Is a directory"},
        {WritePlain("short.mp", "Pop A,0,0\nMigration\nPop. ALL\nx\nx\nPop. 1\n5\n"), dir_ + "/short.mp:7: "},
    };
    for (const auto& c : kCases) {
        try {
            TModelLoader::Load(c.path, 0);
            ADD_FAILURE() << "no error for " << c.path;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(c.message, std::string(error.what()).substr(0, c.message.size())) << error.what();
        }
    }
}

} // namespace
