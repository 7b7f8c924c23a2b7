#pragma once
// Files for tests: a fresh folder per test and whole-file reads.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

/// A new empty folder under the temp directory named after `prefix`, the process and the
/// running test, so parallel test processes never share one. The caller removes it.
inline std::filesystem::path MakeTestFolder(const std::string& prefix) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(::getpid()) + "-" +
                                                  (test != nullptr ? test->name() : "none"));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

/// The whole content of a file, byte for byte ("" when it cannot be read).
inline std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}
