#pragma once
// Which names a request may give in its Host header. A web page of another site can have its
// own name resolve to this PC (DNS rebinding), and then its requests look like our own pages'
// but for the name: only this PC's own names and addresses, and those the user adds, are
// answered.

#include <string>
#include <string_view>
#include <vector>

/// The names and addresses this server answers to, and the port it serves.
struct THostNames {
    /// Lower case, no port; IPv6 addresses without brackets.
    std::vector<std::string> Names;
    int Port = 0;
};

/// The names of a list separated by commas or blanks ("studio-pc, studio-pc.lan").
std::vector<std::string> SplitHostList(std::string_view text);

/// `names` with the loopback names, in the form THostNames keeps them.
THostNames HostNamesFor(const std::vector<std::string>& names, int port);

/// Whether a Host header `host` names this server: one of `allowed`'s names, with `allowed`'s
/// port when it gives one. An empty Host (a program speaking HTTP/1.0, never a browser) is let
/// through: a browser always sends one, with the port when it is not 80.
bool HostAllowed(std::string_view host, const THostNames& allowed);
