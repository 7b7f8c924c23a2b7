#include "core/platform/profile.h"
#include "core/platform/readfile.h"

#include <gtest/gtest.h>

#include "tests/support/testfiles.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace {

TEST(ReadWholeFile, AWriterReplacingTheFileIsNeverBlockedByAReading) {
    // A writer replaces the file by renaming a new one over it while it is being read (the
    // operator's settings written back, a plug-in writing atomically). On Windows a reader
    // that does not share deletion makes that rename fail.
    const TTempFolder folder("kestrune-read");
    const std::string path = folder.File("a_live.txt");
    const auto version = [](int n) {
        return "[Session]\nVersion=" + std::to_string(n) + "\n" + std::string(8192, 'x') +
               "\n[END]\n";
    };
    ReplaceProfileFile(path, version(0));

    std::atomic<bool> done{false};
    std::string writeError;
    std::thread writer([&] {
        try {
            for (int n = 1; n <= 200; ++n) {
                ReplaceProfileFile(path, version(n));
            }
        } catch (const std::exception& e) {
            writeError = e.what();
        }
        done = true;
    });
    int reads = 0;
    int incomplete = 0;
    while (!done || reads == 0) {
        const std::string text = ReadWholeFile(path, 1u << 20);
        incomplete += text.rfind("[Session]", 0) != 0 || !text.ends_with("[END]\n");
        ++reads;
        // Faster than the program ever reads: it reads once per notification.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    writer.join();
    EXPECT_EQ(writeError, "");
    EXPECT_EQ(incomplete, 0) << "of " << reads << " readings";
}

} // namespace
