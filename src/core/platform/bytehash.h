#pragma once
// Cheap hashes of bytes: a file's fingerprint, to tell a changed file from an unchanged one when
// its stamp and size cannot (coarse clocks, cached attributes on shares), and the driver names'
// index builds its own from the same step.

#include <cstdint>
#include <cstring>
#include <string_view>

constexpr uint64_t HashMultiplier = 0x9E3779B97F4A7C15ull;

/// One step of the hashes here: a word mixed into the running hash.
inline uint64_t MixHashWord(uint64_t hash, uint64_t word) {
    hash = (hash ^ word) * HashMultiplier;
    return hash ^ (hash >> 29);
}

/// A 64-bit hash of `bytes`, 32 bytes at a step in four independent lanes (so the multiplies
/// overlap): the followed file is hashed at every reading, so it must cost far less than
/// parsing it. Not for untrusted collisions, and not stored: values may change between builds.
inline uint64_t HashBytes(std::string_view bytes) {
    uint64_t lanes[4] = {bytes.size() * HashMultiplier, 1, 2, 3};
    std::size_t at = 0;
    for (; at + 32 <= bytes.size(); at += 32) {
        for (int lane = 0; lane < 4; ++lane) {
            uint64_t word = 0;
            std::memcpy(&word, bytes.data() + at + 8 * lane, 8);
            lanes[lane] = MixHashWord(lanes[lane], word);
        }
    }
    uint64_t hash = MixHashWord(MixHashWord(MixHashWord(lanes[0], lanes[1]), lanes[2]), lanes[3]);
    for (; at + 8 <= bytes.size(); at += 8) {
        uint64_t word = 0;
        std::memcpy(&word, bytes.data() + at, 8);
        hash = MixHashWord(hash, word);
    }
    uint64_t tail = 0;
    if (at < bytes.size()) {
        std::memcpy(&tail, bytes.data() + at, bytes.size() - at);
    }
    hash = (hash ^ tail) * HashMultiplier;
    return hash ^ (hash >> 32);
}
