#pragma once
// What the web server may do to the console and read from it. The console implements it with
// its own controls (the strip buttons, Live Window, the Message tab, Reload Alias, Apply), so a
// call has exactly the effect of the control it stands for.

#include "core/web/apiroutes.h"
#include "core/web/webroutes.h"

#include <string>

/// One answer of the data, with the version it was built from.
struct TWebData {
    std::string Body;
    std::string ContentType;
    /// Changes whenever Body may have: a reading, an edit of the lists.
    std::string Version;
};

class TWebControl {
  public:
    virtual ~TWebControl() = default;

    /// Presses the strip button of `kind` (best, avg, pits, gapl, gapi).
    virtual void PressStrip(const std::string& kind) = 0;
    virtual void StopStrip() = 0;
    /// `window`: tower or ticker; `operation`: show, hide or toggle.
    virtual void ShowWindow(const std::string& window, const std::string& operation) = 0;
    virtual void SetTickerText(const std::string& text) = 0;
    virtual void ReloadAlias() = 0;
    /// The ignore list, one driver a line.
    virtual std::string IgnoreList() const = 0;
    virtual void SetIgnoreList(const std::string& lines) = 0;
    /// What a control surface shows, as one JSON object.
    virtual std::string StateJson() const = 0;
    /// The data named `name` (standings.json, ...), built at most once a version.
    virtual TWebData Data(const std::string& name) = 0;
};

/// Runs a routed call on `control` and gives its answer: the state after a change, the data
/// (a 304 when `ifNoneMatch` names its version), the list of calls. Events are the server's.
TWebAnswer RunApiRequest(const TApiRequest& request, TWebControl& control,
                         const std::string& ifNoneMatch);

/// The log line of a call that changed something, naming who sent it.
std::string RemoteActionText(const TApiRequest& request, const std::string& peer);
