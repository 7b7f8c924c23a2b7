#pragma once

#include <cstddef>
#include <string>

/// Reads a whole file into memory. Throws std::runtime_error with the system's message when it
/// cannot be opened or read, and when it is larger than `maxBytes` (then nothing is read).
std::string ReadWholeFile(const std::string& path, std::size_t maxBytes);
