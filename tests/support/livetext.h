#pragma once
// Small race live files for reload-cycle tests.

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
