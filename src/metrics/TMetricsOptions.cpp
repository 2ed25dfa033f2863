#include "metrics/TMetricsOptions.h"

#include <charconv>
#include <stdexcept>

namespace quorvel {

TMetricsOptions::TSmoothing TMetricsOptions::TSmoothing::Parse(std::string_view text)
{
    const auto colon = text.find(':');
    const std::string_view kind = text.substr(0, colon);
    TSmoothing smoothing;
    if (kind == "sma")
        smoothing.Kind = TKind::MovingAverage;
    else if (kind == "exp")
        smoothing.Kind = TKind::Exponential;
    else if (kind == "median")
        smoothing.Kind = TKind::Median;
    else
        throw std::invalid_argument("smoothing \"" + std::string(text) + "\" is not sma:W, exp:W or median:W");
    if (colon == std::string_view::npos)
        throw std::invalid_argument("smoothing \"" + std::string(text) + "\" lacks its window (" +
                                    std::string(kind) + ":W)");
    const std::string_view window = text.substr(colon + 1);
    const char* end = window.data() + window.size();
    const auto [stop, error] = std::from_chars(window.data(), end, smoothing.Window);
    if (error != std::errc() || stop != end || window.empty() || smoothing.Window < 1)
        throw std::invalid_argument("smoothing window \"" + std::string(window) +
                                    "\" is not a whole number from 1 to 2147483647");
    return smoothing;
}

std::string TMetricsOptions::TSmoothing::ToString() const
{
    switch (Kind) {
    case TKind::None:
        return std::string();
    case TKind::MovingAverage:
        return "sma:" + std::to_string(Window);
    case TKind::Exponential:
        return "exp:" + std::to_string(Window);
    case TKind::Median:
        return "median:" + std::to_string(Window);
    }
    return std::string();
}

} // namespace quorvel
