#include "tools/feed/carclasses.h"

#include "tools/feed/roster.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <string_view>

namespace {

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A class name goes into the live file as a value of its own line: a line break or another
// control byte would cut the file's structure, so such names are refused.
bool HasControlByte(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

bool ReadCount(std::string_view text, int& count) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, count);
    return !text.empty() && result.ec == std::errc() && result.ptr == end && count >= 1 &&
           count <= MaxCars;
}

} // namespace

bool ParseCarClasses(const std::string& text, std::vector<CarClass>& parsed, std::string& error) {
    if (Trimmed(text).empty()) {
        error = "no class given; write NAME:COUNT,NAME:COUNT,...";
        return false;
    }
    if (HasControlByte(text)) {
        error = "a control character in the list";
        return false;
    }
    std::vector<CarClass> classes;
    std::set<std::string> names;
    int total = 0;
    std::string_view rest = text;
    for (bool more = true; more;) {
        const auto comma = rest.find(',');
        more = comma != std::string_view::npos;
        const std::string_view entry = Trimmed(rest.substr(0, comma));
        if (more)
            rest.remove_prefix(comma + 1);
        const auto colon = entry.find(':');
        if (entry.empty()) {
            error = "an empty entry between commas";
            return false;
        }
        if (colon == std::string_view::npos ||
            entry.find(':', colon + 1) != std::string_view::npos) {
            error = "'" + std::string(entry) + "' is not NAME:COUNT";
            return false;
        }
        CarClass carClass;
        carClass.name = std::string(Trimmed(entry.substr(0, colon)));
        if (carClass.name.empty()) {
            error = "'" + std::string(entry) + "' has no class name";
            return false;
        }
        const std::string_view count = Trimmed(entry.substr(colon + 1));
        if (!ReadCount(count, carClass.count)) {
            error = "the count of " + carClass.name + " must be a whole number from 1 to " +
                    std::to_string(MaxCars) + ", not '" + std::string(count) + "'";
            return false;
        }
        if (!names.insert(carClass.name).second) {
            error = "class " + carClass.name + " is given twice";
            return false;
        }
        if (static_cast<int>(classes.size()) == MaxClasses) {
            error = "more than " + std::to_string(MaxClasses) + " classes";
            return false;
        }
        total += carClass.count;
        classes.push_back(std::move(carClass));
    }
    if (total > MaxCars) {
        error = "the classes add up to " + std::to_string(total) + " cars; at most " +
                std::to_string(MaxCars);
        return false;
    }
    parsed = std::move(classes);
    return true;
}

int CountCars(const std::vector<CarClass>& classes) {
    int total = 0;
    for (const CarClass& carClass : classes)
        total += carClass.count;
    return total;
}

std::vector<int> ClassOfSlots(const std::vector<CarClass>& classes, int cars) {
    std::vector<int> classOf(static_cast<std::size_t>(std::max(0, cars)), 0);
    int slot = 0;
    for (std::size_t k = 0; k < classes.size(); ++k) {
        for (int n = 0; n < classes[k].count && slot < cars; ++n)
            classOf[slot++] = static_cast<int>(k);
    }
    const int last = classes.empty() ? 0 : static_cast<int>(classes.size()) - 1;
    for (; slot < cars; ++slot)
        classOf[slot] = last;
    return classOf;
}
