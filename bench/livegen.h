#pragma once
// Live files of any size for the benchmarks, shaped like a plug-in's output.

#include <string>

/// A race snapshot with `cars` slot sections; `round` moves the cars on a little, and a
/// non-zero `shuffleSeed` writes the slots in a scrambled order. With `classes` of 2 or 3 the
/// cars take turns in that many classes down the order, as a mixed field runs.
std::string MakeLiveText(int cars, int round, unsigned shuffleSeed = 0, int classes = 1);

/// Writes `text` to a file under the temp folder and returns its path.
std::string WriteTempLiveFile(const std::string& text, const std::string& name);
