#pragma once
// A car of one reading, as tests build them: name and position, and whatever else a case
// needs by name.

#include "live/livefile.h"

#include <cstdint>
#include <string>
#include <utility>

/// The fields of a car besides its name and position; the defaults are a running car that
/// has not yet set a lap.
struct TCarSpec {
    int32_t Laps = 0;
    float BestLap = 0.0f;
    float TimeGapToPrev = 0.0f;
    double LapDistanceTravelled = 0.0;
    const char* FinishStatus = "None";
    const char* Vehicle = "";
    const char* VehicleClass = "";
};

inline TSlot CarSlot(std::string driver, int32_t position, const TCarSpec& spec = {}) {
    TSlot slot;
    slot.Driver = std::move(driver);
    slot.Vehicle = spec.Vehicle;
    slot.VehicleClass = spec.VehicleClass;
    slot.Position = position;
    slot.Laps = spec.Laps;
    slot.BestLap = spec.BestLap;
    slot.TimeGapToPrev = spec.TimeGapToPrev;
    slot.LapDistanceTravelled = spec.LapDistanceTravelled;
    slot.FinishStatus = spec.FinishStatus;
    return slot;
}
