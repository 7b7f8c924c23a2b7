#pragma once
// A cheap fingerprint of a file's bytes, to tell a changed file from an unchanged one when its
// stamp and size cannot (coarse clocks, cached attributes on shares).

#include <cstdint>
#include <cstring>
#include <string_view>

/// A 64-bit hash of `bytes`, eight bytes at a step: the followed file is hashed at every
/// reading, so it must cost far less than parsing it. Not for untrusted collisions.
inline uint64_t HashBytes(std::string_view bytes) {
    constexpr uint64_t Multiplier = 0x9E3779B97F4A7C15ull;
    uint64_t hash = bytes.size() * Multiplier;
    std::size_t at = 0;
    for (; at + 8 <= bytes.size(); at += 8) {
        uint64_t word = 0;
        std::memcpy(&word, bytes.data() + at, 8);
        hash = (hash ^ word) * Multiplier;
        hash ^= hash >> 29;
    }
    uint64_t tail = 0;
    if (at < bytes.size()) {
        std::memcpy(&tail, bytes.data() + at, bytes.size() - at);
    }
    hash = (hash ^ tail) * Multiplier;
    return hash ^ (hash >> 32);
}
