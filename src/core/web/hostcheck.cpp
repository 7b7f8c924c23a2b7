#include "core/web/hostcheck.h"

#include "core/web/httprequest.h"

#include <algorithm>

namespace {

/// The name as kept: lower case, no brackets, no trailing dot (a fully qualified "name." is the
/// same name).
std::string KeptForm(std::string_view name) {
    std::string kept = LowerAscii(name);
    if (kept.size() >= 2 && kept.front() == '[' && kept.back() == ']') {
        kept = kept.substr(1, kept.size() - 2);
    }
    if (!kept.empty() && kept.back() == '.') {
        kept.pop_back();
    }
    return kept;
}

/// Splits "name:port", "[v6]:port", "name" or "[v6]" into the name and the port text ("" when
/// none); false when the shape is none of these.
bool SplitHost(std::string_view host, std::string_view& name, std::string_view& port) {
    if (!host.empty() && host.front() == '[') {
        const std::size_t close = host.find(']');
        if (close == std::string_view::npos) {
            return false;
        }
        name = host.substr(0, close + 1);
        const std::string_view rest = host.substr(close + 1);
        if (rest.empty()) {
            port = {};
            return true;
        }
        if (rest.front() != ':') {
            return false;
        }
        port = rest.substr(1);
        return true;
    }
    const std::size_t colon = host.rfind(':');
    if (colon == std::string_view::npos) {
        name = host;
        port = {};
        return true;
    }
    if (host.find(':') != colon) {
        return false; // an IPv6 address without brackets is no Host
    }
    name = host.substr(0, colon);
    port = host.substr(colon + 1);
    return true;
}

} // namespace

std::vector<std::string> SplitHostList(std::string_view text) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of(", \t", start);
        const std::size_t stop = end == std::string_view::npos ? text.size() : end;
        if (stop > start) {
            names.emplace_back(text.substr(start, stop - start));
        }
        start = stop + 1;
    }
    return names;
}

THostNames HostNamesFor(const std::vector<std::string>& names, int port) {
    THostNames hosts;
    hosts.Port = port;
    for (const char* loopback : {"localhost", "127.0.0.1", "::1"}) {
        hosts.Names.emplace_back(loopback);
    }
    for (const std::string& name : names) {
        std::string kept = KeptForm(name);
        if (!kept.empty() &&
            std::find(hosts.Names.begin(), hosts.Names.end(), kept) == hosts.Names.end()) {
            hosts.Names.push_back(std::move(kept));
        }
    }
    return hosts;
}

bool HostAllowed(std::string_view host, const THostNames& allowed) {
    if (host.empty()) {
        return true;
    }
    std::string_view name;
    std::string_view port;
    if (!SplitHost(host, name, port)) {
        return false;
    }
    if (!port.empty() && port != std::to_string(allowed.Port)) {
        return false;
    }
    const std::string kept = KeptForm(name);
    return std::find(allowed.Names.begin(), allowed.Names.end(), kept) != allowed.Names.end();
}
