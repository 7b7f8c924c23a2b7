#include "core/app/producerstate.h"

#include "core/messages/statusline.h"
#include "core/platform/jsontext.h"
#include "core/platform/localetext.h"

namespace {

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string Field(const char* name, const std::string& text) {
    return std::string(",\"") + name + "\":" + JsonQuoted(LiveTextUtf8(text));
}

} // namespace

std::string ProducerStateJson(const TProducerState& state, const TPlayers* players) {
    const std::string lapCounter = Trimmed(StatusTexts(players, state.TickerText).Left);
    std::string json = "{\"file\":" + JsonQuoted(LiveTextUtf8(state.File));
    json += Field("session", state.Session) + Field("phase", state.Phase) +
            Field("flag", state.Flag) + Field("lapCounter", lapCounter) +
            Field("strip", state.Strip);
    json += std::string(",\"stripRunning\":") + (state.Strip.empty() ? "false" : "true");
    json += std::string(",\"towerShown\":") + (state.TowerShown ? "true" : "false");
    json += std::string(",\"tickerShown\":") + (state.TickerShown ? "true" : "false");
    json += Field("tickerText", state.TickerText);
    return json + ",\"classView\":" + (state.ClassView ? "true" : "false") + "}";
}
