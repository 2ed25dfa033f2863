#include "mp/TMPParser.h"

#include "mp/TBlockReader.h"
#include "mp/TLineReader.h"
#include "mp/TTextToNumber.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <istream>
#include <limits>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

namespace {

constexpr std::string_view kPopulationMarker = "Pop. ALL";
constexpr std::string_view kBlockMarker = "Pop.";
// The markers of the lines before the population section, and their bits
// in what TLineReader reports.
constexpr std::string_view kMainMarkers[] = {"km", ".KCH", "Pop", ".DCH", "Migration", "Pop. ALL"};
constexpr unsigned kHasResolution = 1u << 0;
constexpr unsigned kOpensPatchList = (1u << 1) | (1u << 2) | (1u << 3);
constexpr unsigned kHasMigration = 1u << 4;
constexpr unsigned kHasPopulation = 1u << 5;
// Lines before the population section longer than this are passed over in
// constant memory, keeping this much of their head.
constexpr std::size_t kMaxLineKept = std::size_t{64} << 20;
// Year lines are passed over in constant memory; of the line that ends them,
// the first block header, this much is kept to read its patch number.
constexpr std::size_t kMaxHeaderKept = std::size_t{1} << 16;

bool Contains(std::string_view line, std::string_view marker)
{
    return line.find(marker) != std::string_view::npos;
}

// Calls `visit` with each maximal run of characters not in `delimiters`
// until it returns false.
template <class Visitor>
void ForEachWord(std::string_view text, std::string_view delimiters, Visitor&& visit)
{
    std::size_t start = text.find_first_not_of(delimiters);
    while (start != std::string_view::npos) {
        const std::size_t end = text.find_first_of(delimiters, start);
        if (!visit(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start)))
            return;
        if (end == std::string_view::npos)
            return;
        start = text.find_first_not_of(delimiters, end);
    }
}

// A line quoted in a message, shortened so that a binary or huge line still
// gives one readable line.
std::string Quote(std::string_view line)
{
    constexpr std::size_t kMaxShown = 60;
    std::string quoted = "\"";
    for (char c : line.substr(0, kMaxShown)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == '"' || c == '\\') {
            static constexpr char kHex[] = "0123456789abcdef";
            quoted += "\\x";
            quoted += kHex[byte >> 4];
            quoted += kHex[byte & 15];
        } else {
            quoted += c;
        }
    }
    quoted += line.size() > kMaxShown ? "\"..." : "\"";
    return quoted;
}

class TLoader {
public:
    TLoader(TLineReader& reader, TYear startYear, std::string_view sourceName)
        : reader_(reader), startYear_(startYear), sourceName_(sourceName), patches_(std::make_unique<TPatches>())
    {
    }

    std::unique_ptr<TPatches> Load()
    {
        std::string_view line;
        for (;;) {
            if (listState_ == TListState::Closed && resolutionFound_) {
                // Only the "Pop. ALL" line matters now: pass over the rest
                // without holding it.
                bool found = false;
                if (!reader_.SkipLine(kPopulationMarker, found))
                    break;
                if (found) {
                    ReadPopulationSection();
                    break;
                }
                continue;
            }
            unsigned found = 0;
            bool cut = false;
            if (!reader_.ReadLineBounded(line, kMaxLineKept, kMainMarkers, found, cut))
                break;
            if (!resolutionFound_ && (found & kHasResolution)) {
                patches_->SetResolution(ParseResolution(line, cut));
                resolutionFound_ = true;
            }
            if (listState_ == TListState::Open ||
                (listState_ == TListState::NotBegun && (found & kOpensPatchList))) {
                if (found & kHasMigration) {
                    listState_ = TListState::Closed;
                } else {
                    AddPatchLine(line, cut);
                    listState_ = TListState::Open;
                }
            }
            if (found & kHasPopulation) {
                ReadPopulationSection();
                break;
            }
        }
        return std::move(patches_);
    }

    enum class TListState { NotBegun, Open, Closed };


    [[noreturn]] void Fail(const std::string& message) const { Fail(reader_.GetLineNumber(), message); }
    [[noreturn]] void Fail(std::uint64_t lineNumber, const std::string& message) const
    {
        throw std::runtime_error(std::string(sourceName_) + ":" + std::to_string(lineNumber) + ": " + message);
    }

    // The last space-separated word before the first k or m; 0 when there
    // is none.
    double ParseResolution(std::string_view line, bool cut) const
    {
        if (cut && line.find_first_of("km") == std::string_view::npos)
            Fail("resolution line is longer than " + std::to_string(kMaxLineKept) + " bytes before its first k or m");
        std::string_view firstPiece;
        ForEachWord(line, "km", [&](std::string_view piece) {
            firstPiece = piece;
            return false;
        });
        std::string_view lastWord;
        ForEachWord(firstPiece, " ", [&](std::string_view word) {
            lastWord = word;
            return true;
        });
        return TTextToNumber::ToDouble(lastWord);
    }

    void AddPatchLine(std::string_view line, bool cut)
    {
        std::string_view fields[3];
        int count = 0;
        ForEachWord(line, ",", [&](std::string_view field) {
            fields[count++] = field;
            return count < 3;
        });
        // Of a line too long to hold, only a head is here: its fields count
        // only when the third ends before the head does.
        if (cut && (count < 3 || fields[2].data() + fields[2].size() == line.data() + line.size()))
            Fail("patch line is longer than " + std::to_string(kMaxLineKept) + " bytes before its third field ends");
        if (count < 3) {
            std::string message = "patch line has " + std::to_string(count) + " comma-separated field" +
                                  (count == 1 ? "" : "s") + ", needs 3 (name, X, Y): " + Quote(line);
            if (Contains(line, kPopulationMarker))
                message += " (no line before the population section opened a patch list with .KCH, Pop or .DCH, "
                           "so the \"Pop. ALL\" line was read as a patch line)";
            Fail(message);
        }
        patches_->AddPatch(std::make_unique<TPatch>(std::string(fields[0]), std::string(),
                                                    TTextToNumber::ToDouble(fields[1]),
                                                    TTextToNumber::ToDouble(fields[2])));
        patchNames_.emplace_back(fields[0]);
    }

    void ReadPopulationSection()
    {
        const std::uint64_t sectionLine = reader_.GetLineNumber();
        // Year lines: counted, never read.
        std::int64_t yearCount = 0;
        for (;;) {
            bool isHeader = false;
            if (!reader_.SkipLine(kBlockMarker, isHeader, &currentHeader_, kMaxHeaderKept + 1))
                Fail("file ends inside the year lines of the population section that begins on line " +
                     std::to_string(sectionLine) + "; no block header (a line containing \"Pop.\") follows");
            if (isHeader)
                break;
            ++yearCount;
        }
        const std::int32_t blockCount = patches_->GetNumPatches();
        if (blockCount == 0)
            return;
        if (yearCount > 0 && std::int64_t{startYear_} + yearCount - 1 > std::numeric_limits<TYear>::max())
            Fail("the " + std::to_string(yearCount) + " years from start year " + std::to_string(startYear_) +
                 " go beyond year " + std::to_string(std::numeric_limits<TYear>::max()));

        // Patch numbers follow file order; a later patch line of the same name
        // replaced the earlier patch, and both numbers lead to the later one.
        std::vector<TPatch*> byNumber;
        byNumber.reserve(patchNames_.size());
        for (const std::string& name : patchNames_)
            byNumber.push_back(patches_->GetPatch(name));
        auto arena = std::make_shared<TPopulationArena>();
        for (const auto& entry : patches_->GetPatchMap())
            entry.second->UseArena(arena);

        std::uint64_t headerLine = reader_.GetLineNumber();
        TBlockReader blocks(reader_);
        TBlockReader::TLine line;
        for (std::int32_t block = 1; block <= blockCount; ++block) {
            if (block > 1) {
                if (!blocks.Next(line))
                    Fail(blocks.GetLineNumber(),
                         "file ends after block " + std::to_string(block - 1) + " of " + std::to_string(blockCount) +
                             " of the population section; the header of block " + std::to_string(block) +
                             " is missing");
                headerLine = blocks.GetLineNumber();
                currentHeader_.assign(line.text);
            }
            TPatch* patch = PatchOfHeader(byNumber, block, headerLine);
            ReadBlock(blocks, *patch, yearCount, block, blockCount, headerLine);
        }
        // The line after the last block would be read and not used: no need
        // to read it.
    }

    TPatch* PatchOfHeader(const std::vector<TPatch*>& byNumber, std::int32_t block, std::uint64_t headerLine) const
    {
        std::string_view number;
        int words = 0;
        ForEachWord(currentHeader_, ". ", [&](std::string_view word) {
            if (++words == 2)
                number = word;
            return words < 2;
        });
        if (currentHeader_.size() > kMaxHeaderKept &&
            (words < 2 || number.data() + number.size() == currentHeader_.data() + currentHeader_.size()))
            Fail(headerLine, "block header of block " + std::to_string(block) + " is longer than " +
                 std::to_string(kMaxHeaderKept) + " bytes before its patch number ends");
        if (words < 2)
            Fail(headerLine, "block header of block " + std::to_string(block) + " has " + std::to_string(words) +
                 (words == 1 ? " word" : " words") + ", needs 2 (\"Pop.\" and the patch number): " +
                 Quote(currentHeader_));
        const long patchNumber = TTextToNumber::ToLong(number);
        if (patchNumber < 1 || static_cast<unsigned long>(patchNumber) > byNumber.size())
            throw std::runtime_error("Patch does not exist");
        return byNumber[static_cast<std::size_t>(patchNumber - 1)];
    }

    void ReadBlock(TBlockReader& blocks, TPatch& patch, std::int64_t yearCount, std::int32_t block,
                   std::int32_t blockCount, std::uint64_t headerLine)
    {
        blockValues_.clear();
        TBlockReader::TLine line;
        while (static_cast<std::int64_t>(blockValues_.size()) < yearCount) {
            if (!blocks.Next(line))
                Fail(blocks.GetLineNumber(),
                     "file ends inside block " + std::to_string(block) + " of " + std::to_string(blockCount) +
                         " (header on line " + std::to_string(headerLine) + ": " + Quote(currentHeader_) +
                         "): " + std::to_string(blockValues_.size()) + " of " + std::to_string(yearCount) +
                         " values read");
            // Lines of at most one character, and lines of spaces only, hold
            // no value and do not count.
            if (line.holdsValue)
                blockValues_.push_back(line.value);
        }
        patch.SetYears(startYear_, blockValues_.data(), blockValues_.size());
    }

    TLineReader& reader_;
    TYear startYear_;
    std::string_view sourceName_;
    std::unique_ptr<TPatches> patches_;
    bool resolutionFound_ = false;
    TListState listState_ = TListState::NotBegun;
    std::vector<std::string> patchNames_;
    std::string currentHeader_;
    std::vector<double> blockValues_;
};

} // namespace

std::unique_ptr<TPatches> TMPParser::LoadMP(TLineReader& reader, TYear startYear, std::string_view sourceName)
{
    return TLoader(reader, startYear, sourceName).Load();
}

std::unique_ptr<TPatches> TMPParser::LoadMP(std::istream& input, TYear startYear, std::string_view sourceName)
{
    TLineReader reader([&input, sourceName](char* destination, std::size_t capacity) -> std::size_t {
        input.read(destination, static_cast<std::streamsize>(capacity));
        const auto count = static_cast<std::size_t>(input.gcount());
        if (input.bad())
            throw std::runtime_error("cannot read " + std::string(sourceName));
        return count;
    });
    return LoadMP(reader, startYear, sourceName);
}

std::unique_ptr<TPatches> TMPParser::LoadMP(const std::string& fileName, TYear startYear)
{
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open MP file \"" + fileName + "\": " + std::strerror(errno));
    struct TCloser {
        int fd;
        ~TCloser() { ::close(fd); }
    } closer{fd};
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode))
        throw std::runtime_error("cannot read MP file \"" + fileName + "\": " + std::strerror(EISDIR));
    TLineReader reader([fd, &fileName](char* destination, std::size_t capacity) -> std::size_t {
        for (;;) {
            const ssize_t count = ::read(fd, destination, capacity);
            if (count >= 0)
                return static_cast<std::size_t>(count);
            if (errno != EINTR)
                throw std::runtime_error("cannot read MP file \"" + fileName + "\": " + std::strerror(errno));
        }
    });
    return LoadMP(reader, startYear, fileName);
}

std::unique_ptr<TPatch> TMPParser::ParsePatchLine(std::string_view line)
{
    std::vector<std::string> fields;
    Tokenize(line, fields, ",");
    if (fields.size() < 3)
        throw std::runtime_error("patch line has " + std::to_string(fields.size()) +
                                 " comma-separated fields, needs 3 (name, X, Y): " + Quote(line));
    return std::make_unique<TPatch>(fields[0], std::string(), TTextToNumber::ToDouble(fields[1]),
                                    TTextToNumber::ToDouble(fields[2]));
}

void TMPParser::Tokenize(std::string_view text, std::vector<std::string>& words, std::string_view delimiters)
{
    ForEachWord(text, delimiters, [&](std::string_view word) {
        words.emplace_back(word);
        return true;
    });
}

} // namespace quorvel
