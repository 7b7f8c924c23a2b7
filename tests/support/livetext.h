#pragma once
// Small race live files and a clean slate of the live-data globals, for reload-cycle tests.

#include "app/reload.h"
#include "live/livefile.h"
#include "live/players.h"
#include "messages/raceevent.h"

#include <memory>
#include <string>
#include <vector>

struct TCar {
    std::string Driver;
    int Position;
    int Laps = 3;
};

/// A race reading with the given cars in file order, in the given phase.
inline std::string LiveText(const std::vector<TCar>& cars, const std::string& phase = "GreenFlag") {
    std::string text =
        "[Header]\nVersion=1\n[Session]\nScene=Lakeside\nSession=Race\nGamePhase=" + phase +
        "\nYellowFlag=Sector2\nSessionTime=100.0\n";
    for (std::size_t i = 0; i < cars.size(); ++i) {
        text += "[Slot" + std::to_string(i) + "]\nDriver=" + cars[i].Driver +
                "\nVehicle=Car\nVehicleClass=GT\nPosition=" + std::to_string(cars[i].Position) +
                "\nLaps=" + std::to_string(cars[i].Laps) +
                "\nBestLap=90.5\nLastLap=91.25\nFinishStatus=None\n";
    }
    return text + "[END]\n";
}

inline const std::vector<TCar> TwoCars = {{"Ann", 1}, {"Bob", 2}};

/// Nothing followed, nothing read, fresh records, an empty event queue.
inline void ResetLiveState() {
    LiveFileName.clear();
    LiveFileTime = 0;
    LiveFileSize = 0;
    LiveFileHash = 0;
    LiveFileMarker = {};
    FeedQuiet.Reset();
    ShownPhase = {};
    LiveSlots.clear();
    LiveSession = TGameSession{};
    Players = std::make_unique<TPlayers>();
    EventQueue.Clear();
}
