#pragma once
// Files for tests: a fresh folder per test and whole-file reads.

#include "core/platform/utf8path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <system_error>

/// A fresh empty folder for one test, removed with all it holds when the object goes.
class TTempFolder {
  public:
    /// Named after `prefix`, a random number drawn once per process, the running test and a
    /// count, so that neither parallel test processes (ctest runs each case as its own) nor
    /// two folders of one test ever share one.
    explicit TTempFolder(const std::string& prefix) : Folder(NewName(prefix)) {
        std::filesystem::remove_all(Folder); // left by an earlier process with the same id
        std::filesystem::create_directories(Folder);
    }
    ~TTempFolder() {
        try {
            std::error_code error;
            std::filesystem::remove_all(Folder, error);
            if (error) {
                // A test took away rights that emptying a folder needs: give them back.
                GrantOwnerAll(Folder);
                std::filesystem::remove_all(Folder, error);
            }
        } catch (...) {
            // Only allocation can fail here; a leftover folder is better than an abort.
        }
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::filesystem::path& Path() const { return Folder; }
    /// The folder as the program's UTF-8 text.
    std::string String() const { return PathText(Folder); }
    /// The path of `name` (UTF-8) inside the folder, joined with "/" as the program joins
    /// them on every system.
    std::string File(const std::string& name) const { return String() + "/" + name; }

  private:
    static std::filesystem::path NewName(const std::string& prefix) {
        static std::atomic<unsigned> made{0};
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = test != nullptr ? test->name() : "none";
        std::replace(name.begin(), name.end(), '/', '_'); // parameterised names hold a slash
        static const unsigned process = std::random_device{}();
        return std::filesystem::temp_directory_path() /
               (prefix + "-" + std::to_string(process) + "-" + name + "-" + std::to_string(made++));
    }
    /// Owner rights on `folder` and every folder below it, not following links out of it.
    static void GrantOwnerAll(const std::filesystem::path& folder) {
        std::error_code error;
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, error);
        std::filesystem::directory_iterator entry(folder, error);
        for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
            std::error_code kind;
            if (entry->symlink_status(kind).type() == std::filesystem::file_type::directory) {
                GrantOwnerAll(entry->path());
            }
        }
    }

    std::filesystem::path Folder;
};

/// The whole content of a file, byte for byte ("" when it cannot be read).
inline std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

/// Sets a file's last-write time to `seconds` and `nanoseconds` after 1970 (to the 100 ns the
/// system keeps on Windows): coarse file-system clocks cannot be relied on to move between
/// two writes of a test. False when the system refused.
bool SetWriteTime(const std::string& path, int64_t seconds, long nanoseconds = 0);

/// True when these Windows programs run under wine, which keeps a removed folder on disk until
/// the last handle on it is closed, so a watcher cannot see it go.
bool RunningUnderWine();
