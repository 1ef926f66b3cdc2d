#include "RavelkoArgs.h"

#include "CatalogView.h"
#include "RavelkoStrings.h"

using namespace ravelko;

RavelkoArgs ParseRavelkoArgs(const std::vector<std::string>& args) {
    RavelkoArgs parsed;
    for (const std::string& arg : args) {
        if (!parsed.error.empty())
            break;
        if (arg == "--help" || arg == "-h")
            parsed.help = true;
        else if (arg == "--version")
            parsed.version = true;
        else if ((arg.size() > 1 && arg[0] == '-') || parsed.image)
            parsed.error = FormatResString(IDS_BAD_ARGUMENT, {arg});
        else
            parsed.image = arg;
    }
    return parsed;
}

std::optional<ArgsAnswer> AnswerArgs(const RavelkoArgs& args) {
    if (!args.error.empty())
        return ArgsAnswer{args.error + "\n" + FormatResString(IDS_USAGE, {KnownFormats(false)}),
                          false, 2};
    if (args.help)
        return ArgsAnswer{FormatResString(IDS_USAGE, {KnownFormats(false)}), true, 0};
    if (args.version)
        return ArgsAnswer{LoadResString(IDS_ABOUT_VERSION) + "\n", true, 0};
    return std::nullopt;
}
