#include "mp/TLineReader.h"

#include <algorithm>
#include <cstring>

namespace quorvel {

TLineReader::TLineReader(TSource source, std::size_t blockSize)
    : source_(std::move(source)), blockSize_(std::max<std::size_t>(blockSize, 16)),
      buffer_(std::make_unique_for_overwrite<char[]>(2 * blockSize_)), capacity_(2 * blockSize_)
{
}

TLineReader::TSource TLineReader::MemorySource(std::string_view text, std::size_t maxPiece)
{
    return [text, maxPiece, position = std::size_t{0}](char* destination, std::size_t capacity) mutable {
        const std::size_t count = std::min({maxPiece, capacity, text.size() - position});
        if (count > 0)
            std::memcpy(destination, text.data() + position, count);
        position += count;
        return count;
    };
}

const char* TLineReader::FindFeed() const
{
    return static_cast<const char*>(std::memchr(buffer_.get() + begin_, '\n', end_ - begin_));
}

std::string_view TLineReader::TakeLine(const char* feed)
{
    const char* start = buffer_.get() + begin_;
    std::size_t length = static_cast<std::size_t>(feed - start);
    begin_ += length + 1;
    if (length > 0 && start[length - 1] == '\r')
        --length;
    ++lineNumber_;
    return std::string_view(start, length);
}

void TLineReader::MakeRoom()
{
    // Keep the unread bytes, move them to the front, and make sure a whole
    // block fits after them.
    const std::size_t unread = end_ - begin_;
    if (unread + blockSize_ > capacity_) {
        std::size_t capacity = capacity_;
        while (unread + blockSize_ > capacity)
            capacity *= 2;
        auto grown = std::make_unique_for_overwrite<char[]>(capacity);
        std::memcpy(grown.get(), buffer_.get() + begin_, unread);
        buffer_ = std::move(grown);
        capacity_ = capacity;
    } else if (begin_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, unread);
    }
    begin_ = 0;
    end_ = unread;
}

std::string TLineReader::TakeUnread()
{
    std::string unread(buffer_.get() + begin_, end_ - begin_);
    begin_ = end_;
    return unread;
}

TLineReader::TSource TLineReader::TakeSource()
{
    atEnd_ = true;
    return std::move(source_);
}

bool TLineReader::Refill()
{
    if (atEnd_)
        return false;
    MakeRoom();
    const std::size_t count = source_(buffer_.get() + end_, capacity_ - end_);
    if (count == 0) {
        atEnd_ = true;
        return false;
    }
    end_ += count;
    return true;
}

bool TLineReader::ReadLineSlow(std::string_view& line)
{
    for (;;) {
        const std::size_t searched = end_ - begin_;
        if (!Refill()) {
            if (begin_ == end_)
                return false;
            // The last line has no line feed.
            line = std::string_view(buffer_.get() + begin_, end_ - begin_);
            begin_ = end_;
            ++lineNumber_;
            return true;
        }
        const char* from = buffer_.get() + begin_ + searched;
        if (const void* feed = std::memchr(from, '\n', end_ - begin_ - searched)) {
            line = TakeLine(static_cast<const char*>(feed));
            return true;
        }
    }
}

namespace {
unsigned FindMarkers(std::string_view text, std::span<const std::string_view> markers)
{
    unsigned found = 0;
    for (std::size_t i = 0; i < markers.size(); ++i)
        if (text.find(markers[i]) != std::string_view::npos)
            found |= 1u << i;
    return found;
}
} // namespace

bool TLineReader::SkipLine(std::span<const std::string_view> markers, unsigned& found, std::string* prefix,
                           std::size_t prefixLimit)
{
    found = 0;
    if (prefix)
        prefix->clear();
    // Bytes kept across refills so that a marker split between two blocks is
    // still found.
    std::size_t overlap = 0;
    for (std::string_view marker : markers)
        overlap = std::max(overlap, marker.empty() ? 0 : marker.size() - 1);
    std::size_t carried = 0;
    std::uint64_t dropped = 0; // bytes of the line already let go
    bool any = false;
    auto keep = [&](const char* start, std::size_t length) {
        if (!prefix || prefix->size() >= prefixLimit)
            return;
        const std::uint64_t from = prefix->size() - dropped; // prefix never lags behind what was dropped
        const std::size_t wanted = std::min<std::uint64_t>(prefixLimit - prefix->size(), length - from);
        prefix->append(start + from, wanted);
    };
    for (;;) {
        const char* start = buffer_.get() + begin_;
        const std::size_t available = end_ - begin_;
        const char* feed = static_cast<const char*>(std::memchr(start + carried, '\n', available - carried));
        const std::size_t length = feed ? static_cast<std::size_t>(feed - start) : available;
        found |= FindMarkers(std::string_view(start, length), markers);
        if (feed) {
            keep(start, length);
            // A carriage return before the line feed is no part of the line,
            // even when a refill separated the two.
            if (prefix && prefix->size() == dropped + length && !prefix->empty() && prefix->back() == '\r')
                prefix->pop_back();
            begin_ += length + 1;
            ++lineNumber_;
            return true;
        }
        keep(start, length);
        any = any || available > 0;
        // Drop what has been searched except the overlap, then read on.
        carried = std::min(overlap, available);
        dropped += available - carried;
        begin_ = end_ - carried;
        if (!Refill()) {
            begin_ = end_;
            if (!any)
                return false;
            ++lineNumber_;
            return true;
        }
    }
}

bool TLineReader::ReadLineBounded(std::string_view& line, std::size_t maxKept,
                                  std::span<const std::string_view> markers, unsigned& found, bool& cut)
{
    cut = false;
    // Read ahead until the line feed is in the buffer, the input ends, or
    // the line is known to be longer than what may be kept.
    std::size_t searched = 0;
    for (;;) {
        const std::size_t available = end_ - begin_;
        if (std::memchr(buffer_.get() + begin_ + searched, '\n', available - searched) || atEnd_)
            break;
        searched = available;
        // One byte more may be a carriage return that belongs to no line.
        if (available > maxKept + 1) {
            // Too long to hold: pass over it, keeping its head.
            if (!SkipLine(markers, found, &longLineHead_, maxKept))
                return false;
            line = longLineHead_;
            cut = true;
            return true;
        }
        if (!Refill())
            break;
    }
    if (!ReadLine(line))
        return false;
    found = FindMarkers(line, markers);
    if (line.size() > maxKept) {
        line = line.substr(0, maxKept);
        cut = true;
    }
    return true;
}

} // namespace quorvel
