#include "web/webservice.h"

// Built where Qt has no WebSockets module (the Windows build's Qt is the base module only).
void StartWebService(TFormStats1&, TFormMsg1&, const std::string&, int port,
                     std::function<void(const std::string&)> log, QObject*) {
    if (port != 0) {
        log("WebPort is set, but this build of Kestrune has no web server: the tower and the "
            "ticker are only shown as windows");
    }
}
