// The entry point of the browser-source module, which the program loads only when a port is set.

#include "ui/web/qtwebserver.h"
#include "ui/web/webwindows.h"

extern "C" Q_DECL_EXPORT QObject*
KestruneStartWebServer(TWebWindows* windows, const TWebSettings& settings,
                       const std::function<void(const std::string&)>& log, QObject* parent) {
    auto* server = new TWebServer(std::unique_ptr<TWebWindows>(windows), log, parent);
    if (!server->Listen(settings)) {
        server->deleteLater();
        return nullptr;
    }
    return server;
}

// The program finds the entry by name: this keeps its type and the declared one the same.
[[maybe_unused]] static constexpr TWebModuleEntry CheckedEntry = &KestruneStartWebServer;
