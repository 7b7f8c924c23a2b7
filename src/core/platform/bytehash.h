#pragma once
// A cheap fingerprint of a file's bytes, to tell a changed file from an unchanged one when its
// stamp and size cannot (coarse clocks, cached attributes on shares).

#include <cstdint>
#include <cstring>
#include <string_view>

/// A 64-bit hash of `bytes`, 32 bytes at a step in four independent lanes (so the multiplies
/// overlap): the followed file is hashed at every reading, so it must cost far less than
/// parsing it. Not for untrusted collisions, and not stored: values may change between builds.
inline uint64_t HashBytes(std::string_view bytes) {
    constexpr uint64_t Multiplier = 0x9E3779B97F4A7C15ull;
    const auto mix = [](uint64_t hash, uint64_t word) {
        hash = (hash ^ word) * Multiplier;
        return hash ^ (hash >> 29);
    };
    uint64_t lanes[4] = {bytes.size() * Multiplier, 1, 2, 3};
    std::size_t at = 0;
    for (; at + 32 <= bytes.size(); at += 32) {
        for (int lane = 0; lane < 4; ++lane) {
            uint64_t word = 0;
            std::memcpy(&word, bytes.data() + at + 8 * lane, 8);
            lanes[lane] = mix(lanes[lane], word);
        }
    }
    uint64_t hash = mix(mix(mix(lanes[0], lanes[1]), lanes[2]), lanes[3]);
    for (; at + 8 <= bytes.size(); at += 8) {
        uint64_t word = 0;
        std::memcpy(&word, bytes.data() + at, 8);
        hash = mix(hash, word);
    }
    uint64_t tail = 0;
    if (at < bytes.size()) {
        std::memcpy(&tail, bytes.data() + at, bytes.size() - at);
    }
    hash = (hash ^ tail) * Multiplier;
    return hash ^ (hash >> 32);
}
