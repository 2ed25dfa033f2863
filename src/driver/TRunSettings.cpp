#include "driver/TRunSettings.h"

#include "mp/TTextToNumber.h"

#include <stdexcept>
#include <string_view>

namespace quorvel {

namespace {

std::int32_t IntegerArgument(const char* text, int position, const char* name)
{
    const std::optional<std::int32_t> value = TTextToNumber::ToInt32(text);
    if (!value)
        throw std::runtime_error("argument " + std::to_string(position) + " (" + name + ") \"" + text +
                                 "\" is outside the range -2147483648 to 2147483647");
    return *value;
}

} // namespace

std::optional<TRunSettings> TRunSettings::ParseCommandLine(int argc, const char* const* argv)
{
    const int count = argc - 1;
    if (count < 4)
        return std::nullopt;
    TRunSettings settings;
    settings.FileName = argv[1];
    settings.StartYear = IntegerArgument(argv[2], 2, "startyear");
    // Argument 3 (XorY) is positional only; its text is never used.
    settings.Delimiter = argv[4];
    if (count >= 5)
        settings.BurnIn = IntegerArgument(argv[5], 5, "burn-in");
    if (count >= 6)
        settings.PatchSizeThreshold = IntegerArgument(argv[6], 6, "patch_size_threshold");
    if (count >= 7) {
        const std::string_view type = argv[7];
        if (type == "sma")
            settings.MovingAverageType = TSmoothing::SimpleMovingAverage;
        else if (type == "exp")
            settings.MovingAverageType = TSmoothing::Exponential;
        else
            throw std::runtime_error("Unknown moving average");
        // The type and its window form one optional group.
        if (count < 8)
            return std::nullopt;
        settings.WindowSize = IntegerArgument(argv[8], 8, "window_size");
    }
    return settings;
}

} // namespace quorvel
