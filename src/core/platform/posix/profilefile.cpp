#include "core/platform/profile.h"

#include "core/platform/posix/uniquefd.h"
#include "core/platform/readfile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

std::string ResolveTarget(const std::string& path) {
    char resolved[PATH_MAX];
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
        ::realpath(path.c_str(), resolved) != nullptr) {
        return resolved;
    }
    return path;
}

[[noreturn]] void ThrowWriteError(const std::string& path, int error) {
    throw std::runtime_error("Cannot write \"" + path +
                             "\": " + std::system_category().message(error));
}

void WriteAll(int fd, const std::string& data, const std::string& path) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t wrote = ::write(fd, data.data() + done, data.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowWriteError(path, errno);
        }
        done += static_cast<std::size_t>(wrote);
    }
}

} // namespace

std::string ReadProfileFile(const std::string& path, std::string* error) {
    try {
        return ReadWholeFile(path, MaxProfileFile);
    } catch (const std::exception& e) {
        // A missing file reads as empty, like a missing key; any other failure has a reason.
        struct stat info {};
        const bool missing =
            ::stat(path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR);
        if (error != nullptr && !missing) {
            *error = e.what();
        }
        return {};
    }
}

std::string ReadProfileForUpdate(const std::string& path) {
    std::string old;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        // Read-only is the owner's word, also for root, whom access() lets write anything.
        if ((info.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0) {
            const int error = (info.st_mode & 0222) == 0 ? EACCES : errno;
            throw std::runtime_error("\"" + path + "\" is read-only (" +
                                     std::system_category().message(error) +
                                     "); it is left as it is");
        }
        // An existing file that cannot be read must not be replaced by one holding a single key.
        try {
            old = ReadWholeFile(path, MaxProfileFile);
        } catch (const std::exception& e) {
            throw std::runtime_error(e.what());
        }
    }
    return old;
}

void ReplaceProfileFile(const std::string& path, const std::string& data, bool ownerOnly) {
    const std::string target = ResolveTarget(path);
    std::string temp = target + ".XXXXXX";
    TUniqueFd file(::mkstemp(temp.data()));
    if (!file.Valid()) {
        ThrowWriteError(target, errno);
    }
    try {
        struct stat old {};
        // mkstemp made the file 0600: a secret is never readable by others, not even between
        // the write and the rename.
        const mode_t kept = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
        if (!ownerOnly) {
            ::fchmod(file.Get(), kept);
        }
        WriteAll(file.Get(), data, target);
        if (::fsync(file.Get()) != 0) {
            ThrowWriteError(target, errno);
        }
        if (file.Close() != 0) {
            ThrowWriteError(target, errno);
        }
    } catch (...) {
        file.Close();
        ::unlink(temp.c_str());
        throw;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        ThrowWriteError(target, error);
    }
}
