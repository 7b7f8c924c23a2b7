#pragma once
// The invented entry list of a simulated event: drivers, cars and the venue.

#include "tools/feed/feedrandom.h"

#include <string>
#include <vector>

struct Entrant {
    std::string driver;
    std::string vehicle;
    std::string vehicleClass;
};

/// Largest field the feed writes; slot sections are numbered with two digits.
constexpr int MaxCars = 99;

/// `count` entrants (1..MaxCars) with distinct driver names, the same for the same seed.
std::vector<Entrant> BuildRoster(int count, std::uint64_t seed);

/// The name of the venue for a seed.
std::string PickScene(std::uint64_t seed);
