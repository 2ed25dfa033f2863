#pragma once

#include "mp/TLineReader.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace quorvel {

// Reads the lines of an MP file's population blocks, with the population
// of every line that can hold one already converted.
//
// Converting numbers is most of the work of reading a large file, and a line
// can be converted before it is known to which block it belongs. So a
// worker thread reads the input ahead in large chunks, splits each chunk
// into lines and converts the first word of each, while the calling thread
// matches the lines to blocks. When the rest of the input is already in
// memory no thread is started. Lines are handed out in file order.
class TBlockReader {
public:
    struct TLine {
        std::string_view text;
        // Whether the line holds a population: at least two characters and
        // a character other than a space.
        bool holdsValue = false;
        // The first space-separated word of the line, converted as atof does.
        double value = 0.0;
    };

    // Takes over the rest of `lines`' input; line numbers continue from it.
    explicit TBlockReader(TLineReader& lines, std::size_t chunkSize = std::size_t{1} << 19);
    ~TBlockReader();
    TBlockReader(const TBlockReader&) = delete;
    TBlockReader& operator=(const TBlockReader&) = delete;

    // The next line; false at the end of the input. Rethrows a read error of
    // the worker at the point of the input where it happened.
    bool Next(TLine& line);
    // 1-based number of the line last returned.
    std::uint64_t GetLineNumber() const { return lineNumber_; }

    // Converts the first word of a line as Next reports it.
    static void ConvertLine(std::string_view text, TLine& line);

private:
    struct TRecord {
        std::size_t offset;
        std::size_t length;
        double value;
        bool holdsValue;
    };
    // A growable byte buffer that, unlike std::vector<char>, does not zero
    // what it is about to overwrite.
    struct TChunk {
        std::unique_ptr<char[]> data;
        std::size_t size = 0;
        std::size_t capacity = 0;
        void Reserve(std::size_t wanted);
    };
    struct TBatch {
        TChunk text;
        std::vector<TRecord> records;
        std::size_t converted = 0; // records [0, converted) hold their value
        bool last = false;
        std::exception_ptr error;
    };

    // Reads the next chunk into a batch and converts the worker's share of
    // its lines; false when there is no more input.
    bool Produce(TBatch& batch);
    static void Convert(TBatch& batch, std::size_t end);
    void RunWorker();
    bool NextBatch();

    TLineReader::TSource source_;
    std::size_t chunkSize_;
    TChunk carry_; // the unfinished last line of the chunk before
    bool sourceDone_ = false;

    std::unique_ptr<TBatch> current_;
    std::size_t position_ = 0;
    std::uint64_t lineNumber_;
    bool finished_ = false;

    // Shared with the worker: full batches to read and spent ones to reuse.
    bool threaded_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<TBatch>> full_;
    std::vector<std::unique_ptr<TBatch>> spent_;
    bool stopping_ = false;
    std::thread worker_;
};

} // namespace quorvel
