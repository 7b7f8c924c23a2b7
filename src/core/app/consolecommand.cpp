#include "core/app/consolecommand.h"

#include "core/web/clienttext.h"

namespace {

struct TDescribe {
    std::string operator()(const TPressStrip& press) const {
        return std::string(press.Kind->Label) + " strip pressed";
    }
    std::string operator()(const TStopStrip&) const { return "strip stopped"; }
    std::string operator()(const TShowWindow& show) const {
        static constexpr const char* Operations[] = {"show", "hide", "toggle"};
        return std::string(show.Window == TBroadcastWindow::Tower ? "Live Window"
                                                                  : "Message Window") +
               " " + Operations[static_cast<int>(show.Operation)];
    }
    std::string operator()(const TSetTickerText& set) const {
        return "ticker text set to '" + LogSafe(set.Text) + "'";
    }
    std::string operator()(const TSetClassView& set) const {
        return std::string("class view ") + (set.On ? "on" : "off");
    }
    std::string operator()(const TSetIgnoreList&) const { return "ignore list replaced"; }
    std::string operator()(const TReloadAlias&) const { return "Reload Alias"; }
};

} // namespace

std::string DescribeCommand(const TConsoleCommand& command) {
    return std::visit(TDescribe{}, command);
}
