#pragma once

#include "model/TPatches.h"
#include "model/TYear.h"

#include <memory>
#include <string>

namespace quorvel {

// Loads one model for quorvel-metrics from a path as given on the command
// line: "-" is standard input, a name ending in ".gz" is decompressed with
// zlib while it is read (never unpacked to disk), anything else is a plain
// MP file. Standard input goes through zlib too, which passes uncompressed
// bytes through unchanged, so piped plain and gzip text both work.
//
// Errors are std::runtime_error naming the file.
class TModelLoader {
public:
    static std::unique_ptr<TPatches> Load(const std::string& path, TYear startYear);
    // The zlib path alone, for a descriptor the caller opened; takes
    // ownership of `fd`. `name` names the input in messages.
    static std::unique_ptr<TPatches> LoadCompressed(int fd, const std::string& name, TYear startYear);
};

} // namespace quorvel
