#include "core/live/laporders.h"

#include <algorithm>
#include <climits>

namespace {

/// Stands in for "no time" so that it sorts after every real time.
constexpr float NoTime = 3.4e38f;

int CompareTimes(float a, float b) {
    const double first = (a >= 0.0f) ? a : NoTime;
    const double second = (b >= 0.0f) ? b : NoTime;
    const double difference = first - second;
    return difference > 0.0 ? 1 : (difference < 0.0 ? -1 : 0);
}

int SortPosition(const TPlayer& player) {
    // Widened before the addition: a last position near the 32-bit limit must not overflow.
    const int64_t position =
        static_cast<int64_t>(player.Position[0]) + (player.Has(PlayerFlag::Seen) ? 0 : 100);
    return static_cast<int>(std::clamp<int64_t>(position, INT32_MIN / 2, INT32_MAX / 2));
}

} // namespace

float AverageLap(const TPlayer& player) {
    float sum = 0.0f;
    for (int i = 0; i < 3; ++i) {
        const float lap = player.LastLap[static_cast<std::size_t>(i)];
        if (!(lap > 0.0f)) {
            return -1.0f;
        }
        sum += lap;
    }
    return sum / 3.0f;
}

int CompareBestLap(const TPlayer& a, const TPlayer& b) {
    return CompareTimes(a.BestLap, b.BestLap);
}

int CompareAverageLap(const TPlayer& a, const TPlayer& b) {
    return CompareTimes(AverageLap(a), AverageLap(b));
}

int ComparePosition(const TPlayer& a, const TPlayer& b) {
    const int first = SortPosition(a);
    const int second = SortPosition(b);
    return first > second ? 1 : (first < second ? -1 : 0);
}

std::vector<const TPlayer*> SeenRecords(const TPlayers& players) {
    std::vector<const TPlayer*> records;
    for (int i = 0; i < players.Count(); ++i) {
        if (players.Item(i).Has(PlayerFlag::Seen)) {
            records.push_back(&players.Item(i));
        }
    }
    return records;
}

std::vector<const TPlayer*> AllRecords(const TPlayers& players) {
    std::vector<const TPlayer*> records;
    for (int i = 0; i < players.Count(); ++i) {
        records.push_back(&players.Item(i));
    }
    return records;
}
