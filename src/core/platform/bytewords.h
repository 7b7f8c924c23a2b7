#pragma once
// Short byte strings read and compared a machine word at a time. Keys and driver names are a
// few bytes long, and for them a call to memcmp costs more than the comparison itself.

#include <cstddef>
#include <cstdint>
#include <cstring>

inline uint32_t Load32(const char* p) {
    uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

inline uint64_t Load64(const char* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

/// True when the `size` bytes at `a` and at `b` are equal, compared a word at a time (the last
/// word overlaps the one before it).
inline bool SameBytes(const char* a, const char* b, std::size_t size) {
    if (size < 4) {
        for (std::size_t i = 0; i < size; ++i) {
            if (a[i] != b[i]) {
                return false;
            }
        }
        return true;
    }
    if (size <= 8) {
        return Load32(a) == Load32(b) && Load32(a + size - 4) == Load32(b + size - 4);
    }
    for (std::size_t i = 0; i + 8 < size; i += 8) {
        if (Load64(a + i) != Load64(b + i)) {
            return false;
        }
    }
    return Load64(a + size - 8) == Load64(b + size - 8);
}
