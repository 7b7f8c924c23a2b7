#include "tools/feed/feedoptions.h"

#include "tools/feed/roster.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <map>

namespace {

bool ReadDouble(const std::string& text, double low, double high, double& value) {
    double parsed = 0.0;
    const char* end = text.data() + text.size();
    auto result = std::from_chars(text.data(), end, parsed);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(parsed))
        return false;
    if (parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

bool ReadInt(const std::string& text, int low, int high, int& value) {
    int parsed = 0;
    const char* end = text.data() + text.size();
    auto result = std::from_chars(text.data(), end, parsed);
    if (result.ec != std::errc() || result.ptr != end || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

bool ReadSeed(const std::string& text, std::uint64_t& value) {
    const char* end = text.data() + text.size();
    auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

bool ReadPlan(const std::string& text, SessionPlan& plan) {
    static const std::map<std::string, SessionPlan> plans = {{"practice", SessionPlan::Practice},
                                                             {"qualify", SessionPlan::Qualify},
                                                             {"warmup", SessionPlan::Warmup},
                                                             {"race", SessionPlan::Race},
                                                             {"weekend", SessionPlan::Weekend}};
    auto found = plans.find(text);
    if (found == plans.end())
        return false;
    plan = found->second;
    return true;
}

bool ReadWriteMode(const std::string& text, WriteMode& mode) {
    if (text == "inplace")
        mode = WriteMode::InPlace;
    else if (text == "atomic")
        mode = WriteMode::Atomic;
    else
        return false;
    return true;
}

// A value as an error message quotes it: control bytes would break the message's one line.
std::string Quoted(std::string value) {
    for (char& c : value) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    }
    return "'" + value + "'";
}

// Reads a value into the options; may say why a value is refused.
using ValueReader = std::function<bool(const std::string&, FeedOptions&, std::string& why)>;

// One line per option that takes a value: how to read it into the options.
const std::map<std::string, ValueReader>& ValueOptions() {
    static const std::map<std::string, ValueReader> options = {
        {"--folder",
         [](auto& v, auto& o, auto&) {
             o.folder = v;
             return !v.empty();
         }},
        {"--session", [](auto& v, auto& o, auto&) { return ReadPlan(v, o.plan); }},
        {"--cars",
         [](auto& v, auto& o, auto&) { return o.carsGiven = ReadInt(v, 1, MaxCars, o.cars); }},
        {"--classes",
         [](auto& v, auto& o, auto& why) { return ParseCarClasses(v, o.classes, why); }},
        {"--laps", [](auto& v, auto& o, auto&) { return ReadInt(v, 1, 1000, o.laps); }},
        {"--minutes",
         [](auto& v, auto& o, auto&) { return ReadDouble(v, 0.05, 1440.0, o.minutes); }},
        {"--track-length",
         [](auto& v, auto& o, auto&) { return ReadDouble(v, 1000.0, 50000.0, o.trackLength); }},
        {"--speed", [](auto& v, auto& o, auto&) { return ReadDouble(v, 0.01, 100000.0, o.speed); }},
        {"--rate", [](auto& v, auto& o, auto&) { return ReadDouble(v, 0.01, 100.0, o.rate); }},
        {"--seed", [](auto& v, auto& o, auto&) { return o.seedGiven = ReadSeed(v, o.seed); }},
        {"--write", [](auto& v, auto& o, auto&) { return ReadWriteMode(v, o.write); }},
        {"--write-ms", [](auto& v, auto& o, auto&) { return ReadInt(v, 0, 1000, o.writeMs); }},
        {"--snapshots",
         [](auto& v, auto& o, auto&) {
             o.snapshots = v;
             return !v.empty();
         }},
    };
    return options;
}

} // namespace

bool ParseFeedOptions(const std::vector<std::string>& args, FeedOptions& options,
                      std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool inlineValue = false;
        if (const auto equals = name.find('=');
            name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
            inlineValue = true;
        }
        if (name == "--quiet" || name == "--help" || name == "-h") {
            if (inlineValue) {
                error = name + " takes no value";
                return false;
            }
            (name == "--quiet" ? options.quiet : options.help) = true;
            continue;
        }
        const auto reader = ValueOptions().find(name);
        if (reader == ValueOptions().end()) {
            error = "unknown option " + args[i];
            return false;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        std::string why;
        if (!reader->second(value, options, why)) {
            error =
                "bad value for " + name + ": " + Quoted(value) + (why.empty() ? "" : ": " + why);
            return false;
        }
    }
    // The classes size the field; --cars may repeat that size but not contradict it.
    if (!options.classes.empty()) {
        const int total = CountCars(options.classes);
        if (options.carsGiven && options.cars != total) {
            error = "--cars " + std::to_string(options.cars) + " does not match --classes, which " +
                    "add up to " + std::to_string(total) + " cars";
            return false;
        }
        options.cars = total;
    }
    if (options.folder.empty() && !options.help) {
        error = "--folder is required";
        return false;
    }
    return true;
}

std::string FeedUsage() {
    return "usage: kestrune-feed --folder DIR [options]\n"
           "Simulates a session and writes it as a live file into DIR, over and over.\n"
           "\n"
           "  --session KIND      race (default), practice, qualify, warmup or weekend\n"
           "                      (practice, qualify and race, each in a new live file)\n"
           "  --cars N            cars in the field, 1 to 99 (default 20)\n"
           "  --classes LIST      a multi-class field, NAME:COUNT,... fastest class first,\n"
           "                      for example LMP2:6,GT3:14; each class about 4% slower a lap\n"
           "                      than the one before; up to 8 classes, 99 cars in all; sets\n"
           "                      the field size (default: one class, GT-X)\n"
           "  --laps N            race length in laps (default 10)\n"
           "  --minutes M         length of practice, qualify and warmup (default 20, 15,\n"
           "                      10); in a race on its own, a time limit\n"
           "  --track-length M    lap length in metres, 1000 to 50000 (default 5500)\n"
           "  --speed X           session seconds per real second (default 1)\n"
           "  --rate HZ           files written per real second (default 5)\n"
           "  --seed S            the same seed gives the same session (default: the clock)\n"
           "  --write MODE        inplace (default: truncate and rewrite) or atomic\n"
           "                      (write a hidden temporary file and rename it over)\n"
           "  --write-ms MS       spread each in-place write over MS milliseconds, a few lines\n"
           "                      at a time, as a slow plug-in does (default 0: at once)\n"
           "  --snapshots DIR     also keep every file written, numbered, in DIR\n"
           "  --quiet             print nothing while running\n"
           "  --help              show this text\n";
}

std::vector<SessionKind> SessionsOf(SessionPlan plan) {
    switch (plan) {
    case SessionPlan::Practice:
        return {SessionKind::Practice};
    case SessionPlan::Qualify:
        return {SessionKind::Qualify};
    case SessionPlan::Warmup:
        return {SessionKind::Warmup};
    case SessionPlan::Race:
        return {SessionKind::Race};
    case SessionPlan::Weekend:
        break;
    }
    return {SessionKind::Practice, SessionKind::Qualify, SessionKind::Race};
}
