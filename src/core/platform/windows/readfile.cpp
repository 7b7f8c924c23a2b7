#include "core/platform/readfile.h"

#include "core/platform/windows/wintext.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace {

[[noreturn]] void ThrowSystemError(const char* what, const std::string& path, DWORD error) {
    throw std::runtime_error(std::string(what) + " \"" + path + "\": " + SystemErrorText(error));
}

} // namespace

std::string ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    const DWORD attributes = ::GetFileAttributesW(WideText(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        throw std::runtime_error("Cannot read file \"" + path + "\": Is a directory");
    }
    const TUniqueHandle file = OpenForReading(path);
    if (!file.Valid()) {
        ThrowSystemError("Cannot open file", path, ::GetLastError());
    }
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK) {
        // A pipe or device would block or never end.
        throw std::runtime_error("Cannot read file \"" + path + "\": not a regular file");
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size)) {
        ThrowSystemError("Cannot read file", path, ::GetLastError());
    }
    if (static_cast<uint64_t>(size.QuadPart) > maxBytes) {
        throw std::runtime_error("File \"" + path + "\" is too large (" +
                                 std::to_string(size.QuadPart) + " bytes, at most " +
                                 std::to_string(maxBytes) + " are read)");
    }
    std::string data;
    // One byte more than the file holds, so the read that finds its end needs no bigger buffer:
    // growing it would copy the whole file once more at every reading.
    data.resize(std::min(maxBytes, static_cast<std::size_t>(size.QuadPart) + 1));
    std::size_t filled = 0;
    while (true) {
        if (filled == data.size()) {
            // The writer may have grown the file since its size was taken; read on to the limit.
            if (data.size() >= maxBytes) {
                char probe = 0;
                DWORD extra = 0;
                if (::ReadFile(file.Get(), &probe, 1, &extra, nullptr) && extra > 0) {
                    throw std::runtime_error("File \"" + path + "\" is too large (more than " +
                                             std::to_string(maxBytes) + " bytes)");
                }
                break;
            }
            data.resize(std::min(maxBytes, std::max<std::size_t>(data.size() * 2, 4096)));
        }
        const DWORD want =
            static_cast<DWORD>(std::min<std::size_t>(data.size() - filled, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(file.Get(), data.data() + filled, want, &got, nullptr)) {
            ThrowSystemError("Cannot read file", path, ::GetLastError());
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    data.resize(filled);
    return data;
}
