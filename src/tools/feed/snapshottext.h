#pragma once
// Turns one moment of a simulated session into the text of a live file.

#include <array>
#include <string>
#include <vector>

struct FeedSessionValues {
    std::string scene;
    double trackLength = 0.0;
    double sessionTime = 0.0;
    int lengthLaps = 0;
    double ambientTemp = 0.0;
    double trackTemp = 0.0;
    std::string session;
    std::string gamePhase;
    std::string yellowFlag;
};

struct FeedSlotValues {
    std::string driver;
    std::string vehicle;
    std::string vehicleClass;
    int position = 0;
    int laps = 0;
    int inSector = 1;
    double bestLap = -1.0;
    double lastLap = -1.0;
    std::array<double, 3> bestSectors{-1.0, -1.0, -1.0};
    std::array<double, 3> lastLapSectors{-1.0, -1.0, -1.0};
    int pitstops = 0;
    bool inPits = false;
    double timeGapToLider = -1.0;
    int lapGapToLider = 0;
    double timeGapToPrev = -1.0;
    int lapGapToPrev = 0;
    double lapDistanceTravelled = 0.0;
    std::string finishStatus = "None";
};

struct FeedSnapshot {
    FeedSessionValues session;
    std::vector<FeedSlotValues> slots; ///< in slot order, not position order
};

/// `value` with exactly `decimals` decimals and "." as separator, independent of any locale.
/// Negative zero is written as zero; a negative time (not set) as "-1".
std::string FormatFixed(double value, int decimals);

/// The whole live file: [Header], [Session], one [SlotNN] per car, [END], CRLF line ends.
std::string FormatLiveText(const FeedSnapshot& snapshot);
