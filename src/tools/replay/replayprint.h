#pragma once
// The lines kestrune-replay prints: one record per line, fields separated by one TAB.

#include "core/live/classstandings.h"
#include "core/live/players.h"
#include "core/standings/rows.h"

#include <cstdio>
#include <string>
#include <vector>

/// Writes the fields joined by TABs and a line break.
void PrintRecord(std::FILE* out, const std::vector<std::string>& fields);

/// "%.3f" of a stored value.
std::string Fixed3(double value);

void PrintPlayers(std::FILE* out, const TPlayers& players);
/// With `places` (the same cars), each row ends with its class columns.
void PrintRows(std::FILE* out, const std::vector<TStats1Data>& rows,
               const std::vector<TClassPlace>* places = nullptr);
