#pragma once
// A FUSE mount (bindfs) of a folder, standing in for a network share: writes made to the
// source folder underneath reach the mount without any change notification on it.

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

class TFuseMount {
  public:
    /// Mounts `source` (created if missing) at `mountPoint` (created too).
    TFuseMount(const std::filesystem::path& source, const std::filesystem::path& mountPoint)
        : Source(source), MountPoint(mountPoint) {
        std::filesystem::create_directories(source);
        std::filesystem::create_directories(mountPoint);
        const std::string command =
            "bindfs '" + source.string() + "' '" + mountPoint.string() + "' 2>&1";
        Mounted = std::system(command.c_str()) == 0;
    }
    ~TFuseMount() {
        if (Mounted) {
            const std::string where = "'" + MountPoint.string() + "'";
            if (std::system(("fusermount3 -u " + where + " 2>/dev/null").c_str()) != 0) {
                [[maybe_unused]] int lazy = std::system(("umount -l " + where).c_str());
            }
        }
    }
    TFuseMount(const TFuseMount&) = delete;
    TFuseMount& operator=(const TFuseMount&) = delete;

    /// Stops (or lets go on) the FUSE daemon, so that every access to the mount blocks as on
    /// a share whose server has gone away.
    void Stall(bool stalled) const {
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            std::ifstream in(entry.path() / "cmdline", std::ios::binary);
            std::string command((std::istreambuf_iterator<char>(in)), {});
            if (command.rfind("bindfs", 0) == 0 &&
                command.find(MountPoint.string()) != std::string::npos) {
                ::kill(std::stoi(entry.path().filename().string()), stalled ? SIGSTOP : SIGCONT);
            }
        }
    }

    /// Whether this machine can mount FUSE at all (no /dev/fuse in some containers).
    static bool Available() { return ::access("/dev/fuse", R_OK | W_OK) == 0; }

    std::filesystem::path Source;
    std::filesystem::path MountPoint;
    bool Mounted = false;
};
