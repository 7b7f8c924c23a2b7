#pragma once
// The classes of a multi-class field: their names, how many cars each brings, and which slots
// they hold.

#include <string>
#include <vector>

struct CarClass {
    std::string name;
    int count = 0;
};

/// Most classes in one field. Each class is slower than the one before, so with many more the
/// back of the field would be lapped every few laps and the race would stop being one.
constexpr int MaxClasses = 8;

/// Reads "NAME:COUNT,NAME:COUNT,...", fastest class first; spaces around names and counts are
/// ignored. Returns false with a reason in `error`, leaving `classes` as it was, for an empty
/// list or entry, a control character, a name that is empty or comes twice, a count that is
/// not a whole number from 1, more than MaxClasses classes, or more than MaxCars cars in all.
bool ParseCarClasses(const std::string& text, std::vector<CarClass>& classes, std::string& error);

/// Cars in all classes together.
int CountCars(const std::vector<CarClass>& classes);

/// The class index of each of `cars` slots: classes take consecutive slots in the order given,
/// as an entry list is grouped by class. Slots past the classes' total (and every slot when
/// there are no classes) get the last class, or 0.
std::vector<int> ClassOfSlots(const std::vector<CarClass>& classes, int cars);
