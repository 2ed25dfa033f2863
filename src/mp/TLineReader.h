#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace quorvel {

// Splits a byte stream into lines, reading it in large blocks.
//
// A line ends at a line feed, which is not part of it, nor is a carriage
// return directly before the line feed. A last line without a line feed is a
// line like any other. Lines handed out by ReadLine are views into the
// reader's buffer, valid until the next call; the buffer grows to hold the
// longest line read whole. SkipLine passes over a line of any length in
// constant memory.
class TLineReader {
public:
    // Copies up to `capacity` bytes to `destination` and returns how many;
    // 0 means end of input. Reports read errors by throwing.
    using TSource = std::function<std::size_t(char* destination, std::size_t capacity)>;

    explicit TLineReader(TSource source, std::size_t blockSize = std::size_t{1} << 20);

    // A source over text in memory, handing out at most `maxPiece` bytes a
    // call. The text must outlive the source.
    static TSource MemorySource(std::string_view text, std::size_t maxPiece = static_cast<std::size_t>(-1));

    // The next whole line; false at the end of the input.
    bool ReadLine(std::string_view& line)
    {
        if (const char* feed = FindFeed()) {
            line = TakeLine(feed);
            return true;
        }
        return ReadLineSlow(line);
    }

    // Passes over the next line, telling whether it contains `marker`;
    // false at the end of the input. With `prefix`, its first `prefixLimit`
    // bytes are kept there (the whole line when it is no longer).
    bool SkipLine(std::string_view marker, bool& containsMarker, std::string* prefix = nullptr,
                  std::size_t prefixLimit = 0)
    {
        unsigned found = 0;
        const bool read = SkipLine(std::span<const std::string_view>(&marker, 1), found, prefix, prefixLimit);
        containsMarker = found != 0;
        return read;
    }
    // The same for several markers: bit i of `found` is set when the line
    // contains markers[i].
    bool SkipLine(std::span<const std::string_view> markers, unsigned& found, std::string* prefix = nullptr,
                  std::size_t prefixLimit = 0);

    // ReadLine for a line of at most `maxKept` bytes. A longer line is passed
    // over in constant memory instead: `line` then holds its first `maxKept`
    // bytes and `cut` is set. Either way bit i of `found` tells whether the
    // whole line contains markers[i].
    bool ReadLineBounded(std::string_view& line, std::size_t maxKept, std::span<const std::string_view> markers,
                         unsigned& found, bool& cut);

    // 1-based number of the line last read or skipped.
    std::uint64_t GetLineNumber() const { return lineNumber_; }

    // Hands the rest of the input over to another reader: the bytes read
    // ahead but not yet returned, and the source for the rest. This reader
    // is at the end of its input afterwards.
    std::string TakeUnread();
    TSource TakeSource();
    bool IsSourceExhausted() const { return atEnd_; }

private:
    const char* FindFeed() const;
    std::string_view TakeLine(const char* feed);
    bool ReadLineSlow(std::string_view& line);
    // Appends input after the unread bytes; false at end of input.
    bool Refill();
    void MakeRoom();

    TSource source_;
    std::size_t blockSize_;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t begin_ = 0; // first unread byte
    std::size_t end_ = 0;   // one past the last byte read
    bool atEnd_ = false;
    std::uint64_t lineNumber_ = 0;
    std::string longLineHead_;
};

} // namespace quorvel
