#include "ViewerOptions.h"

#include "Navigation.h"
#include "RamLink.h"
#include "TomsivarStrings.h"

#include <algorithm>
#include <charconv>

using namespace tomsivar;

namespace {

constexpr long kLargestClient = 16384;

bool Within(long value, long low, long high) {
    return value >= low && value <= high;
}

std::optional<int> IndexValue(const std::string& text) {
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0 ||
        value >= RAM_NAME_SUFFIXES)
        return std::nullopt;
    return value;
}

bool IsObjectName(const std::string& name) {
    return !name.empty() && name.size() <= 200 && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-';
    });
}

} // namespace

ViewerSettings Checked(const ViewerSettings& stored) {
    ViewerSettings checked = stored;
    if (!Within(stored.address, 0, 0xFFFF))
        checked.address = 0;
    if (!Within(stored.scaleIndex, 0, kMaxScaleIndex))
        checked.scaleIndex = 0;
    if (std::find(g_rowBytesChoices.begin(), g_rowBytesChoices.end(), stored.rowBytes) ==
        g_rowBytesChoices.end())
        checked.rowBytes = kAutoRowBytes;
    if (!Within(stored.width, 1, kLargestClient) || !Within(stored.height, 1, kLargestClient))
        checked.width = checked.height = 0;
    return checked;
}

ViewerArgs ParseViewerArgs(const std::vector<std::string>& args, const std::string& defaultName) {
    ViewerArgs parsed;
    parsed.name = defaultName;
    for (size_t i = 0; i < args.size() && parsed.error.empty(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
        } else if (arg == "--index" && hasValue && IndexValue(args[i + 1])) {
            parsed.index = IndexValue(args[++i]);
        } else if (arg == "--name" && hasValue && IsObjectName(args[i + 1])) {
            parsed.name = args[++i];
        } else {
            const bool valued = (arg == "--index" || arg == "--name") && hasValue;
            parsed.error =
                FormatResString(IDS_BAD_ARGUMENT, {valued ? arg + " " + args[i + 1] : arg});
        }
    }
    return parsed;
}
