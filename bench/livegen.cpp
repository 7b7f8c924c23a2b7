#include "bench/livegen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <vector>

std::string MakeLiveText(int cars, int round, unsigned shuffleSeed, int classes) {
    const char* const classNames[] = {"GT3", "LMP2", "GT4"};
    std::vector<int> order(static_cast<std::size_t>(cars));
    std::iota(order.begin(), order.end(), 0);
    if (shuffleSeed != 0) {
        std::mt19937 rng(shuffleSeed);
        std::shuffle(order.begin(), order.end(), rng);
    }
    std::string text =
        "[Header]\r\nVersion=1\r\n[Session]\r\nScene=Lakeside\r\nTrackLength=5500.0\r\n";
    char line[256];
    std::snprintf(line, sizeof line, "SessionTime=%.3f\r\n", 600.0 + round * 0.2);
    text += line;
    text += "LengthLaps=30\r\nAmbientTemp=21.0\r\nTrackTemp=30.5\r\nSession=Race\r\n"
            "GamePhase=GreenFlag\r\nYellowFlag=None\r\n";
    int slotNumber = 0;
    for (int car : order) {
        const double best = 90.0 + car * 0.137;
        std::snprintf(
            line, sizeof line,
            "[Slot%02d]\r\nDriver=Driver Number %d\r\nVehicle=Vehicle %d\r\nVehicleClass=%s\r\n"
            "Position=%d\r\nLaps=%d\r\nInSector=%d\r\nBestLap=%.3f\r\nLastLap=%.3f\r\n",
            slotNumber++, car, car % 7, classNames[car % std::clamp(classes, 1, 3)], car + 1,
            5 + round / 450, 1 + (round + car) % 3, best, best + 0.8);
        text += line;
        std::snprintf(
            line, sizeof line,
            "BestSectors=(%.3f,%.3f,%.3f)\r\nLastLapSectors=(%.3f,%.3f,%.3f)\r\nPitstops=%d\r\n"
            "InPits=%d\r\n",
            best / 3, best / 3, best / 3, best / 3 + 0.2, best / 3 + 0.3, best / 3 + 0.3, car % 2,
            (round + car) % 50 == 0 ? 1 : 0);
        text += line;
        std::snprintf(
            line, sizeof line,
            "TimeGapToLider=%.3f\r\nLapGapToLider=0\r\nTimeGapToPrev=%.3f\r\nLapGapToPrev=0\r\n"
            "LapDistanceTravelled=%.3f\r\nFinishStatus=None\r\n",
            car * 1.1, car == 0 ? 0.0 : 1.1, std::fmod(round * 12.5 + car * 40.0, 5500.0));
        text += line;
    }
    text += "[END]\r\n";
    return text;
}

std::string WriteTempLiveFile(const std::string& text, const std::string& name) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}
