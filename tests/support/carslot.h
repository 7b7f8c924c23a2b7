#pragma once
// A car of one reading, as tests build them: name and position, and whatever else a case
// needs by name.

#include "core/live/livefile.h"

#include <cstdint>
#include <string>
#include <utility>

/// The fields of a car besides its name and position; the defaults are a running car that
/// has not yet set a lap.
struct TCarDetails {
    int32_t Laps = 0;
    float BestLap = 0.0f;
    float TimeGapToPrev = 0.0f;
    double LapDistanceTravelled = 0.0;
    const char* FinishStatus = "None";
    const char* Vehicle = "";
    const char* VehicleClass = "";
    float TimeGapToLider = 0.0f;
    bool InPits = false;
};

inline TSlot CarSlot(std::string driver, int32_t position, const TCarDetails& details = {}) {
    TSlot slot;
    slot.Driver = std::move(driver);
    slot.Vehicle = details.Vehicle;
    slot.VehicleClass = details.VehicleClass;
    slot.Position = position;
    slot.Laps = details.Laps;
    slot.BestLap = details.BestLap;
    slot.TimeGapToPrev = details.TimeGapToPrev;
    slot.LapDistanceTravelled = details.LapDistanceTravelled;
    slot.FinishStatus = details.FinishStatus;
    slot.TimeGapToLider = details.TimeGapToLider;
    slot.InPits = details.InPits ? 1 : 0;
    return slot;
}
