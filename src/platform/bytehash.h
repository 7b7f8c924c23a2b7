#pragma once
// A cheap fingerprint of a file's bytes, to tell a changed file from an unchanged one when its
// stamp and size cannot (coarse clocks, cached attributes on shares).

#include <cstdint>
#include <string_view>

/// 64-bit FNV-1a of `bytes`.
inline uint64_t HashBytes(std::string_view bytes) {
    uint64_t hash = 14695981039346656037ull;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return hash;
}
