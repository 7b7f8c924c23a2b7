#pragma once
// How the console asks for the web server: where it listens, the further names it answers to
// and the tokens of control and reading.

#include "core/web/webaccess.h"

#include <string>
#include <vector>

struct TWebSettings {
    /// An IP address; empty for this PC only (127.0.0.1).
    std::string Address;
    /// 0: no server.
    int Port = 0;
    std::vector<std::string> HostNames;
    TWebAccess Access;
};
