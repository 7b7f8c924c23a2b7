#include "tools/feed/roster.h"

#include <algorithm>
#include <array>
#include <set>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 40> FirstNames = {
    "Tom",    "Aria",    "Bastian", "Chloe",  "Dario",   "Elin",    "Felix",  "Greta",
    "Hugo",   "Ines",    "Jonas",   "Kaito",  "Lena",    "Marco",   "Nadia",  "Oskar",
    "Paula",  "Quentin", "Rosa",    "Stefan", "Tilda",   "Umberto", "Vera",   "Wim",
    "Xenia",  "Yusuf",   "Zoe",     "Anton",  "Bruna",   "Cyril",   "Dagny",  "Emre",
    "Fabian", "Gwen",    "Hector",  "Ilse",   "Joaquin", "Keiko",   "Lorcan", "Mirela"};

constexpr std::array<std::string_view, 40> Surnames = {
    "Rider",       "Castellan",  "Moorcroft",   "Vasquez",   "Lindqvist",  "Okafor",   "Brandt",
    "Fairweather", "Novak",      "Takeda",      "Delacroix", "Hargreave",  "Ilic",     "Jansen",
    "Kowalczyk",   "Laurent",    "Marchetti",   "Nyberg",    "Oyelaran",   "Petrov",   "Quist",
    "Rautio",      "Santangelo", "Thorne",      "Ulloa",     "Van Dorren", "Whitlock", "Yildiz",
    "Zanetti",     "Abernethy",  "Bellweather", "Crane",     "Da Silva",   "Eckhart",  "Falkner",
    "Gallo",       "Holmberg",   "Iwata",       "Jurado",    "Kingsley"};

// A few drivers race under one name only.
constexpr std::array<std::string_view, 6> SingleNames = {"Kazuo", "Renaldo", "Sigrun",
                                                         "Tavi",  "Mazur",   "Odalys"};

constexpr std::array<std::string_view, 10> Makes = {
    "Corvane RS", "Halden V8", "Mistral Zeta", "Orvik T40",   "Salvane GTR",
    "Bravura 7",  "Kestel S",  "Tarragon R",   "Vellmark GT", "Ardent Six"};

constexpr std::array<std::string_view, 8> Scenes = {
    "Harrow Vale Circuit", "Lake Orrin Raceway", "Marsden Ridge", "Port Calloway Streets",
    "Velmont Park",        "Skarne Ring",        "Aldercourt GP", "Brennock Downs"};

std::string MakeName(FeedRandom& random) {
    if (random.Chance(0.08))
        return std::string(SingleNames[random.Below(static_cast<int>(SingleNames.size()))]);
    std::string name(FirstNames[random.Below(static_cast<int>(FirstNames.size()))]);
    name += ' ';
    name += Surnames[random.Below(static_cast<int>(Surnames.size()))];
    return name;
}

} // namespace

std::vector<Entrant> BuildRoster(int count, std::uint64_t seed) {
    FeedRandom random(FeedRandom::Derive(seed, 0xD21));
    count = std::clamp(count, 1, MaxCars);
    std::vector<Entrant> entrants;
    std::set<std::string> taken;
    // Forty by forty pairs are far more than the largest field, so this ends quickly.
    while (static_cast<int>(entrants.size()) < count) {
        std::string name = MakeName(random);
        if (!taken.insert(name).second)
            continue;
        const int number = static_cast<int>(entrants.size()) * 3 + 2 + random.Below(3);
        Entrant entrant;
        entrant.driver = std::move(name);
        entrant.vehicle = std::string(Makes[random.Below(static_cast<int>(Makes.size()))]) + " #" +
                          std::to_string(number);
        entrant.vehicleClass = "GT-X";
        entrants.push_back(std::move(entrant));
    }
    return entrants;
}

std::string PickScene(std::uint64_t seed) {
    FeedRandom random(FeedRandom::Derive(seed, 0x5CE));
    return std::string(Scenes[random.Below(static_cast<int>(Scenes.size()))]);
}
