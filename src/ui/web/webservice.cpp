#include "ui/web/webservice.h"

#include "ui/web/formwebwindows.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

QStringList WebModuleFolders() {
    const QString here = QCoreApplication::applicationDirPath();
    QStringList folders{here};
#ifdef KESTRUNE_WEB_MODULE_INSTALLED
    folders << QDir::cleanPath(here + QStringLiteral("/../") +
                               QStringLiteral(KESTRUNE_WEB_MODULE_INSTALLED));
#endif
    return folders;
}

#ifdef KESTRUNE_WEB_MODULE

namespace {

/// The module's entry from the first of `folders` that has a module which loads; null, with
/// each folder's reason added to `failures`, when none does. The module stays loaded: the
/// server lives as long as the windows.
TWebModuleEntry LoadWebModule(const QStringList& folders, std::string& failures) {
    for (const QString& folder : folders) {
        QLibrary module(QDir(folder).filePath(QStringLiteral(KESTRUNE_WEB_MODULE)));
        // Every symbol resolved at once: a module that does not fit fails here, not mid-show.
        module.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        const auto entry = module.load()
                               ? reinterpret_cast<TWebModuleEntry>(module.resolve(WebModuleEntry))
                               : nullptr;
        if (entry != nullptr) {
            return entry;
        }
        failures += "; " + module.errorString().toStdString();
    }
    return nullptr;
}

} // namespace

QObject* StartWebService(TFormStats1& tower, TFormMsg1& ticker, TWebControl* control,
                         const TWebSettings& settings, std::function<void(const std::string&)> log,
                         QObject* parent, const QStringList& folders) {
    if (settings.Port == 0) {
        return nullptr;
    }
    std::string failures;
    const TWebModuleEntry start = LoadWebModule(folders, failures);
    if (start == nullptr) {
        log("Web server: WebPort is set, but its module " KESTRUNE_WEB_MODULE
            " could not be loaded" +
            failures + "; the tower and the ticker are only shown as windows");
        return nullptr;
    }
    return start(new TFormWebWindows(tower, ticker, control), settings, log, parent);
}

#elif defined(KESTRUNE_WEB_LINKED)

extern "C" QObject* KestruneStartWebServer(TWebWindows* windows, const TWebSettings& settings,
                                           const std::function<void(const std::string&)>& log,
                                           QObject* parent);

QObject* StartWebService(TFormStats1& tower, TFormMsg1& ticker, TWebControl* control,
                         const TWebSettings& settings, std::function<void(const std::string&)> log,
                         QObject* parent, const QStringList&) {
    if (settings.Port == 0) {
        return nullptr;
    }
    return KestruneStartWebServer(new TFormWebWindows(tower, ticker, control), settings, log,
                                  parent);
}

#else

QObject* StartWebService(TFormStats1&, TFormMsg1&, TWebControl*, const TWebSettings& settings,
                         std::function<void(const std::string&)> log, QObject*,
                         const QStringList&) {
    if (settings.Port != 0) {
        log("WebPort is set, but this build of Kestrune has no web server: the tower and the "
            "ticker are only shown as windows");
    }
    return nullptr;
}

#endif
