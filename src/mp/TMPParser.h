#pragma once

#include "model/TPatch.h"
#include "model/TPatches.h"
#include "model/TYear.h"

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

class TLineReader;

// Reads an MP file, the text file of a metapopulation model, into a patch
// collection: the grid resolution (the first line containing "km"), one
// patch per patch line (name, X and Y), and each patch's population year by
// year from the population section that follows the "Pop. ALL" line.
//
// The file is read once from the front; lines are found by the marker texts
// they contain and everything else is skipped. Errors are
// std::runtime_error: "Patch does not exist" for a block naming no patch
// line, otherwise a one-line message "SOURCE:LINE: what is wrong".
class TMPParser {
public:
    // Throws when the file cannot be opened or read, naming the file.
    static std::unique_ptr<TPatches> LoadMP(const std::string& fileName, TYear startYear);
    // `sourceName` names the input in error messages.
    static std::unique_ptr<TPatches> LoadMP(std::istream& input, TYear startYear,
                                            std::string_view sourceName = "<stream>");
    // The patch of one patch line: fields split at commas, the first the
    // name (unchanged), the second and third X and Y. Throws when the line
    // has fewer than three fields.
    static std::unique_ptr<TPatch> ParsePatchLine(std::string_view line);
    // Appends the maximal runs of characters that are not in `delimiters`.
    static void Tokenize(std::string_view text, std::vector<std::string>& words, std::string_view delimiters);

    // The reader behind both LoadMP forms.
    static std::unique_ptr<TPatches> LoadMP(TLineReader& reader, TYear startYear, std::string_view sourceName);
};

} // namespace quorvel
