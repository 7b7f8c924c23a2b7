#include "tools/replay/replayoptions.h"

#include "core/messages/stripkinds.h"

#include <algorithm>
#include <array>
#include <string_view>

const char* const ReplayUsage =
    "usage: kestrune-replay [options] STEP...\n"
    "  STEP            a live file, read as the next version of the followed file,\n"
    "                  or --switch: archive the records and start with fresh ones\n"
    "  --ini FILE      configuration file (Stats1NameLength, section DriverNameAlias)\n"
    "  --ignore NAME   add NAME to the ignore list (repeatable)\n"
    "  --players       after each step print the session line and every record\n"
    "  --rows          after each step print the standings rows\n"
    "  --classes       the class view: rows end with class, place in class, gap to the class\n"
    "                  leader and to the car ahead in the class; rankings and race messages\n"
    "                  go within each class\n"
    "  --report KIND   at the end print a report: bestlap | avglap | gap (repeatable)\n"
    "  --ranking KIND  at the end print a ranking: best | avg | pits | gapl | gapi (repeatable)\n"
    "  --summaries     at the end archive the records too and print every session summary\n";

namespace {

bool OneOf(const std::string& value, std::initializer_list<std::string_view> allowed) {
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

} // namespace

std::optional<TReplayOptions> ParseReplayOptions(const std::vector<std::string>& args,
                                                 std::string& error) {
    TReplayOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&](const char* option) -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                error = std::string(option) + " needs a value";
                return std::nullopt;
            }
            return args[++i];
        };
        if (arg == "--switch") {
            options.Steps.push_back({true, {}});
        } else if (arg == "--players") {
            options.PrintPlayers = true;
        } else if (arg == "--rows") {
            options.PrintRows = true;
        } else if (arg == "--classes") {
            options.Classes = true;
        } else if (arg == "--summaries") {
            options.Finals.push_back({TReplayFinal::Summaries, {}});
        } else if (arg == "--ini" || arg == "--ignore" || arg == "--report" || arg == "--ranking") {
            const std::optional<std::string> given = value(arg.c_str());
            if (!given) {
                return std::nullopt;
            }
            if (arg == "--ini") {
                options.Ini = *given;
            } else if (arg == "--ignore") {
                options.Ignore.push_back(*given);
            } else if (arg == "--report") {
                if (!OneOf(*given, {"bestlap", "avglap", "gap"})) {
                    error = "unknown report: " + *given;
                    return std::nullopt;
                }
                options.Finals.push_back({TReplayFinal::Report, *given});
            } else {
                if (StripNamed(*given) == nullptr) {
                    error = "unknown ranking: " + *given;
                    return std::nullopt;
                }
                options.Finals.push_back({TReplayFinal::Ranking, *given});
            }
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            error = "unknown option: " + arg;
            return std::nullopt;
        } else {
            options.Steps.push_back({false, arg});
        }
    }
    if (options.Steps.empty()) {
        error = "no step given";
        return std::nullopt;
    }
    return options;
}
