#include "core/web/sha1.h"

#include <vector>

namespace {

uint32_t RotateLeft(uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

void Compress(std::array<uint32_t, 5>& state, const uint8_t* block) {
    uint32_t w[80];
    for (int i = 0; i < 16; ++i) {
        w[i] = (uint32_t{block[4 * i]} << 24) | (uint32_t{block[4 * i + 1]} << 16) |
               (uint32_t{block[4 * i + 2]} << 8) | uint32_t{block[4 * i + 3]};
    }
    for (int i = 16; i < 80; ++i) {
        w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (int i = 0; i < 80; ++i) {
        uint32_t f = 0;
        uint32_t k = 0;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        const uint32_t next = RotateLeft(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = RotateLeft(b, 30);
        b = a;
        a = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

} // namespace

std::array<uint8_t, 20> Sha1(std::string_view bytes) {
    std::vector<uint8_t> message(bytes.begin(), bytes.end());
    const uint64_t bits = static_cast<uint64_t>(bytes.size()) * 8;
    message.push_back(0x80);
    while (message.size() % 64 != 56) {
        message.push_back(0);
    }
    for (int shift = 56; shift >= 0; shift -= 8) {
        message.push_back(static_cast<uint8_t>(bits >> shift));
    }
    std::array<uint32_t, 5> state{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    for (std::size_t at = 0; at < message.size(); at += 64) {
        Compress(state, message.data() + at);
    }
    std::array<uint8_t, 20> digest{};
    for (std::size_t i = 0; i < 20; ++i) {
        digest[i] = static_cast<uint8_t>(state[i / 4] >> (24 - 8 * (i % 4)));
    }
    return digest;
}

std::string Base64(std::string_view bytes) {
    static constexpr char Alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        const std::size_t left = bytes.size() - at;
        uint32_t group = uint32_t{static_cast<uint8_t>(bytes[at])} << 16;
        if (left > 1) {
            group |= uint32_t{static_cast<uint8_t>(bytes[at + 1])} << 8;
        }
        if (left > 2) {
            group |= static_cast<uint8_t>(bytes[at + 2]);
        }
        text += Alphabet[(group >> 18) & 63];
        text += Alphabet[(group >> 12) & 63];
        text += left > 1 ? Alphabet[(group >> 6) & 63] : '=';
        text += left > 2 ? Alphabet[group & 63] : '=';
    }
    return text;
}
