#pragma once
// SHA-1 and Base64, only for the WebSocket handshake's accept key: the protocol fixes both.
// SHA-1 is not used for anything that needs to be secure.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

std::array<uint8_t, 20> Sha1(std::string_view bytes);

std::string Base64(std::string_view bytes);
