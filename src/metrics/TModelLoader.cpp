#include "metrics/TModelLoader.h"

#include "mp/TLineReader.h"
#include "mp/TMPParser.h"

#include <zlib.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace quorvel {

namespace {

bool EndsWith(const std::string& text, const char* suffix)
{
    const std::size_t n = std::strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

// zlib's message for the stream's error state, or errno's for a system error.
std::string GzErrorText(gzFile file)
{
    int code = Z_OK;
    const char* message = gzerror(file, &code);
    if (code == Z_ERRNO)
        return std::strerror(errno);
    if (message == nullptr || *message == '\0')
        return "read error";
    // zlib names the stream "<fd:N>: " first; the caller names the file.
    std::string_view text(message);
    if (text.starts_with("<fd:") && text.find(": ") != std::string_view::npos)
        text.remove_prefix(text.find(": ") + 2);
    return std::string(text);
}

struct TGzCloser {
    void operator()(gzFile file) const { gzclose(file); }
};

} // namespace

std::unique_ptr<TPatches> TModelLoader::LoadCompressed(int fd, const std::string& name, TYear startYear)
{
    gzFile raw = gzdopen(fd, "rb");
    if (raw == nullptr) {
        ::close(fd);
        throw std::runtime_error("cannot read MP file \"" + name + "\": out of memory");
    }
    // TSource must be copyable; the reader's copies share the one stream.
    const std::shared_ptr<gzFile_s> file(raw, TGzCloser());
    // zlib's default 8 KiB buffer makes for many small reads.
    gzbuffer(raw, 1u << 17);
    TLineReader reader([file, &name](char* destination, std::size_t capacity) -> std::size_t {
        const auto wanted = static_cast<unsigned>(std::min<std::size_t>(capacity, INT_MAX));
        const int count = gzread(file.get(), destination, wanted);
        if (count < 0)
            throw std::runtime_error("cannot read MP file \"" + name + "\": " + GzErrorText(file.get()));
        if (count == 0) {
            // A truncated stream ends like a complete one; only the error
            // state tells them apart.
            int code = Z_OK;
            gzerror(file.get(), &code);
            if (code != Z_OK)
                throw std::runtime_error("cannot read MP file \"" + name + "\": " + GzErrorText(file.get()));
        }
        return static_cast<std::size_t>(count);
    });
    return TMPParser::LoadMP(reader, startYear, name);
}

std::unique_ptr<TPatches> TModelLoader::Load(const std::string& path, TYear startYear)
{
    if (path == "-") {
        // A duplicate, so that closing the stream leaves descriptor 0 open.
        const int fd = ::fcntl(0, F_DUPFD_CLOEXEC, 0);
        if (fd < 0)
            throw std::runtime_error(std::string("cannot read standard input: ") + std::strerror(errno));
        return LoadCompressed(fd, path, startYear);
    }
    if (!EndsWith(path, ".gz"))
        return TMPParser::LoadMP(path, startYear);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open MP file \"" + path + "\": " + std::strerror(errno));
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(fd);
        throw std::runtime_error("cannot read MP file \"" + path + "\": " + std::strerror(EISDIR));
    }
    return LoadCompressed(fd, path, startYear);
}

} // namespace quorvel
