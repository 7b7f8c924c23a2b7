#include "core/platform/readfile.h"

#include "core/platform/posix/uniquefd.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

[[noreturn]] void ThrowSystemError(const char* what, const std::string& path, int error) {
    // The category's message, not strerror: the reader thread and the window thread both
    // report errors, and strerror may share one buffer between threads.
    throw std::runtime_error(std::string(what) + " \"" + path +
                             "\": " + std::system_category().message(error));
}

} // namespace

std::string ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    const TUniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file.Valid()) {
        ThrowSystemError("Cannot open file", path, errno);
    }
    const int fd = file.Get();
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ThrowSystemError("Cannot read file", path, errno);
    }
    if (S_ISDIR(info.st_mode)) {
        ThrowSystemError("Cannot read file", path, EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        // A fifo or device in the folder would block or never end.
        throw std::runtime_error("Cannot read file \"" + path + "\": not a regular file");
    }
    if (static_cast<std::size_t>(info.st_size) > maxBytes) {
        throw std::runtime_error("File \"" + path + "\" is too large (" +
                                 std::to_string(info.st_size) + " bytes, at most " +
                                 std::to_string(maxBytes) + " are read)");
    }
    // One byte more than the file holds, so the read that finds its end needs no bigger buffer:
    // growing it would copy the whole file once more at every reading.
    std::string data;
    data.resize(std::min(maxBytes, static_cast<std::size_t>(info.st_size) + 1));
    std::size_t filled = 0;
    while (true) {
        if (filled == data.size()) {
            // The writer may have grown the file since fstat; keep reading up to the limit.
            if (data.size() >= maxBytes) {
                char probe = 0;
                const ssize_t extra = ::read(fd, &probe, 1);
                if (extra > 0) {
                    throw std::runtime_error("File \"" + path + "\" is too large (more than " +
                                             std::to_string(maxBytes) + " bytes)");
                }
                break;
            }
            data.resize(std::min(maxBytes, std::max<std::size_t>(data.size() * 2, 4096)));
        }
        const ssize_t got = ::read(fd, data.data() + filled, data.size() - filled);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowSystemError("Cannot read file", path, errno);
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    data.resize(filled);
    return data;
}
