#include "tools/feed/livewriter.h"

#include "core/platform/utf8path.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string Reason() {
    return errno != 0 ? std::strerror(errno) : "unknown error";
}

void WriteDirect(const fs::path& path, std::string_view text,
                 std::chrono::milliseconds spread = std::chrono::milliseconds{0}) {
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot open " + PathText(path) + ": " + Reason());
    constexpr int Parts = 10;
    const int parts = spread.count() > 0 ? Parts : 1;
    std::size_t done = 0;
    for (int part = 1; part <= parts; ++part) {
        std::size_t end = text.size() * static_cast<std::size_t>(part) / parts;
        if (part < parts) {
            const std::size_t lineEnd = text.find('\n', end);
            end = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
        }
        if (end > done) {
            out.write(text.data() + done, static_cast<std::streamsize>(end - done));
            out.flush();
            done = end;
        }
        if (part < parts)
            std::this_thread::sleep_for(spread / parts);
    }
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + PathText(path) + ": " + Reason());
}

} // namespace

std::string ClockStamp(std::time_t when) {
    char text[32] = "00000000-000000";
    if (const std::tm* local = std::localtime(&when))
        std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", local);
    return text;
}

std::string SessionFileName(std::string_view stamp, int number, SessionKind kind) {
    return std::string(stamp) + "-" + std::to_string(number) + "-" +
           std::string(SessionWord(kind)) + "_live.txt";
}

std::string SnapshotFileName(long count, int number, SessionKind kind) {
    char counter[24];
    std::snprintf(counter, sizeof counter, "%06ld", count);
    return "snap-" + std::string(counter) + "-" + std::to_string(number) + "-" +
           std::string(SessionWord(kind)) + ".txt";
}

fs::path TemporaryPathFor(const fs::path& path) {
    return path.parent_path() / ("." + PathText(path.filename()) + ".tmp");
}

void PrepareFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        throw std::runtime_error("cannot create folder " + PathText(folder) + ": " + ec.message());
    if (!fs::is_directory(folder, ec))
        throw std::runtime_error(PathText(folder) + " is not a folder");
    // Permission bits do not tell the whole story (read-only mounts, root), so try for real.
    const fs::path probe = folder / ".kestrune-feed-probe.tmp";
    try {
        WriteDirect(probe, "");
    } catch (const std::runtime_error& error) {
        throw std::runtime_error("cannot write in folder " + PathText(folder) + " (" +
                                 error.what() + ")");
    }
    fs::remove(probe, ec);
}

void WriteWholeFile(const fs::path& path, std::string_view text, WriteMode mode,
                    std::chrono::milliseconds spread) {
    if (mode == WriteMode::InPlace) {
        WriteDirect(path, text, spread);
        return;
    }
    const fs::path temporary = TemporaryPathFor(path);
    std::error_code ec;
    try {
        WriteDirect(temporary, text);
    } catch (const std::runtime_error&) {
        fs::remove(temporary, ec); // a half-written temporary would only litter the folder
        throw;
    }
    // On Windows a reader holding the file for a moment makes the rename fail even when it
    // shares deletion, as Kestrune's does: try again for up to a second.
    for (int attempt = 1; attempt <= 100; ++attempt) {
        fs::rename(temporary, path, ec);
        if (!ec) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (ec) {
        const std::string reason = ec.message();
        fs::remove(temporary, ec);
        throw std::runtime_error("cannot replace " + PathText(path) + ": " + reason);
    }
}
