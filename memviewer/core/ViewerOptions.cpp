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

// "--index=5" reads as "--index 5".
ViewerArgs ParseViewerArgs(const std::vector<std::string>& given, const std::string& defaultName) {
    std::vector<std::string> args;
    for (const std::string& arg : given) {
        const auto equals = arg.find('=');
        if (arg.starts_with("--") && equals != std::string::npos) {
            args.push_back(arg.substr(0, equals));
            args.push_back(arg.substr(equals + 1));
        } else {
            args.push_back(arg);
        }
    }
    ViewerArgs parsed;
    parsed.name = defaultName;
    for (size_t i = 0; i < args.size() && parsed.error.empty(); ++i) {
        const std::string& arg = args[i];
        const bool valued = arg == "--index" || arg == "--name";
        if (arg == "--help" || arg == "-h")
            parsed.help = true;
        else if (arg == "--version")
            parsed.version = true;
        else if (!valued)
            parsed.error = FormatResString(IDS_BAD_ARGUMENT, {arg});
        else if (i + 1 == args.size())
            parsed.error = FormatResString(IDS_MISSING_VALUE, {arg});
        else if (const std::string& value = args[++i]; arg == "--index")
            IndexValue(value) ? void(parsed.index = IndexValue(value))
                              : void(parsed.error = FormatResString(IDS_BAD_INDEX, {value}));
        else if (IsObjectName(value))
            parsed.name = value;
        else
            parsed.error = FormatResString(IDS_BAD_NAME, {value});
    }
    return parsed;
}
