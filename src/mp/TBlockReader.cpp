#include "mp/TBlockReader.h"

#include "mp/TTextToNumber.h"

#include <algorithm>
#include <cstring>

namespace quorvel {

namespace {
// Batches read ahead of the one being matched to blocks: enough to keep the
// worker busy, few enough to keep memory small.
constexpr std::size_t kBatchesAhead = 2;
// The share of each chunk's lines that the worker converts. The worker also
// reads the input and splits it into lines, so the calling thread converts
// the larger part; measured on both cores of a large file.
constexpr double kWorkerShare = 0.4;
} // namespace

TBlockReader::TBlockReader(TLineReader& lines, std::size_t chunkSize)
    : chunkSize_(chunkSize), lineNumber_(lines.GetLineNumber())
{
    const std::string unread = lines.TakeUnread();
    if (!unread.empty()) {
        carry_.Reserve(unread.size());
        std::memcpy(carry_.data.get(), unread.data(), unread.size());
        carry_.size = unread.size();
    }
    sourceDone_ = lines.IsSourceExhausted();
    source_ = lines.TakeSource();
    threaded_ = !sourceDone_;
    if (threaded_)
        worker_ = std::thread([this] { RunWorker(); });
}

TBlockReader::~TBlockReader()
{
    if (worker_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        worker_.join();
    }
}

void TBlockReader::ConvertLine(std::string_view text, TLine& line)
{
    line.text = text;
    line.holdsValue = false;
    line.value = 0.0;
    if (text.size() <= 1)
        return;
    std::size_t start = 0;
    while (start < text.size() && text[start] == ' ')
        ++start;
    if (start == text.size())
        return;
    const char* word = text.data() + start;
    const auto* space = static_cast<const char*>(std::memchr(word, ' ', text.size() - start));
    const std::size_t length = space ? static_cast<std::size_t>(space - word) : text.size() - start;
    line.holdsValue = true;
    line.value = TTextToNumber::ToDouble(std::string_view(word, length));
}

void TBlockReader::TChunk::Reserve(std::size_t wanted)
{
    if (wanted <= capacity)
        return;
    std::size_t grown = capacity == 0 ? wanted : capacity;
    while (grown < wanted)
        grown *= 2;
    auto bigger = std::make_unique_for_overwrite<char[]>(grown);
    if (size > 0)
        std::memcpy(bigger.get(), data.get(), size);
    data = std::move(bigger);
    capacity = grown;
}

bool TBlockReader::Produce(TBatch& batch)
{
    TChunk& text = batch.text;
    text.size = 0;
    text.Reserve(carry_.size + 2 * chunkSize_);
    if (carry_.size > 0)
        std::memcpy(text.data.get(), carry_.data.get(), carry_.size);
    text.size = carry_.size;
    carry_.size = 0;
    batch.records.clear();
    batch.last = false;

    // Read until the chunk holds a line feed past its first chunkSize_ bytes
    // or the input ends; what follows the last line feed is carried over.
    std::size_t searchedTo = 0;
    std::size_t complete = 0; // bytes up to and including the last line feed
    for (;;) {
        for (std::size_t p = text.size; p > searchedTo; --p) {
            if (text.data[p - 1] == '\n') {
                complete = p;
                break;
            }
        }
        searchedTo = text.size;
        if (sourceDone_ || (complete > 0 && text.size >= chunkSize_))
            break;
        text.Reserve(text.size + chunkSize_);
        const std::size_t count = source_(text.data.get() + text.size, chunkSize_);
        text.size += count;
        if (count == 0)
            sourceDone_ = true;
    }
    if (text.size == 0) {
        batch.last = true;
        return false;
    }

    const char* const base = text.data.get();
    batch.converted = 0;
    std::size_t start = 0;
    while (start < complete) {
        const auto* feed = static_cast<const char*>(std::memchr(base + start, '\n', complete - start));
        std::size_t length = static_cast<std::size_t>(feed - (base + start));
        const std::size_t next = start + length + 1;
        if (length > 0 && base[start + length - 1] == '\r')
            --length;
        batch.records.push_back({start, length, 0.0, false});
        start = next;
    }
    if (sourceDone_) {
        // The last line has no line feed.
        if (complete < text.size)
            batch.records.push_back({complete, text.size - complete, 0.0, false});
        batch.last = true;
    } else {
        if (complete < text.size) {
            carry_.Reserve(text.size - complete);
            std::memcpy(carry_.data.get(), base + complete, text.size - complete);
            carry_.size = text.size - complete;
        }
    }
    Convert(batch, static_cast<std::size_t>(static_cast<double>(batch.records.size()) * kWorkerShare));
    return true;
}

void TBlockReader::Convert(TBatch& batch, std::size_t end)
{
    TLine line;
    for (std::size_t i = batch.converted; i < end; ++i) {
        TRecord& record = batch.records[i];
        ConvertLine(std::string_view(batch.text.data.get() + record.offset, record.length), line);
        record.value = line.value;
        record.holdsValue = line.holdsValue;
    }
    batch.converted = std::max(batch.converted, end);
}

void TBlockReader::RunWorker()
{
    for (;;) {
        std::unique_ptr<TBatch> batch;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || full_.size() < kBatchesAhead; });
            if (stopping_)
                return;
            if (!spent_.empty()) {
                batch = std::move(spent_.back());
                spent_.pop_back();
            }
        }
        if (!batch)
            batch = std::make_unique<TBatch>();
        bool more = false;
        try {
            more = Produce(*batch);
        } catch (...) {
            batch->error = std::current_exception();
            batch->last = true;
        }
        const bool last = batch->last || !more;
        batch->last = last;
        {
            std::lock_guard lock(mutex_);
            full_.push_back(std::move(batch));
        }
        changed_.notify_all();
        if (last)
            return;
    }
}

bool TBlockReader::NextBatch()
{
    if (finished_)
        return false;
    if (threaded_) {
        std::unique_lock lock(mutex_);
        if (current_)
            spent_.push_back(std::move(current_));
        changed_.notify_all();
        changed_.wait(lock, [this] { return !full_.empty(); });
        current_ = std::move(full_.front());
        full_.pop_front();
        lock.unlock();
        changed_.notify_all();
    } else {
        if (!current_)
            current_ = std::make_unique<TBatch>();
        Produce(*current_);
    }
    position_ = 0;
    finished_ = current_->last;
    if (current_->error)
        std::rethrow_exception(current_->error);
    Convert(*current_, current_->records.size());
    return true;
}

bool TBlockReader::Next(TLine& line)
{
    while (!current_ || position_ == current_->records.size()) {
        if (!NextBatch())
            return false;
    }
    const TRecord& record = current_->records[position_++];
    line.text = std::string_view(current_->text.data.get() + record.offset, record.length);
    line.holdsValue = record.holdsValue;
    line.value = record.value;
    ++lineNumber_;
    return true;
}

} // namespace quorvel
