#include "core/live/livereader.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>

namespace {

/// How long Stop waits for the thread: beyond that it is stuck in a stalled share.
constexpr std::chrono::seconds StopWait{2};

} // namespace

struct TLiveReader::TShared {
    std::string Folder;
    Deliver Hand;

    std::mutex Mutex;
    std::condition_variable Signal;
    std::string Followed;
    bool Wanted = false;
    bool Stopping = false;
    bool Finished = false;
    /// The followed file as the previous reading found it, so that the folder is listed only
    /// while it stays the same.
    std::string LastPath;
    TFileState LastSeen;

    void Run() {
        std::unique_lock lock(Mutex);
        while (true) {
            Signal.wait(lock, [this] { return Wanted || Stopping; });
            if (Stopping) {
                break;
            }
            Wanted = false;
            const std::string path = Followed;
            const TFileState previous = path == LastPath ? LastSeen : TFileState{};
            lock.unlock();
            TFolderReading reading;
            try {
                reading = ReadLiveFolder(Folder, path, previous);
            } catch (...) {
                // Out of memory: this reading is lost, not the program; the next change reads.
                lock.lock();
                continue;
            }
            lock.lock();
            LastPath = path;
            LastSeen = reading.Seen;
            // Under the lock, so that no reading is handed over once Stop has returned.
            if (!Stopping) {
                try {
                    Hand(std::move(reading));
                } catch (...) {
                    // A failed hand-over loses this reading only; the next change reads anew.
                }
            }
        }
        Finished = true;
        Signal.notify_all();
    }
};

TLiveReader::TLiveReader(std::string folder, Deliver deliver)
    : Shared(std::make_shared<TShared>()) {
    Shared->Folder = std::move(folder);
    Shared->Hand = std::move(deliver);
    try {
        Thread = std::thread([shared = Shared] { shared->Run(); });
    } catch (const std::system_error&) {
        // No thread (the system is out of them): nothing is read, as when the folder cannot
        // be watched, rather than the program ending in the middle of a show.
        Shared->Finished = true;
    }
}

TLiveReader::~TLiveReader() {
    Stop();
}

void TLiveReader::Follow(const std::string& path) {
    std::lock_guard lock(Shared->Mutex);
    Shared->Followed = path;
}

void TLiveReader::Request() {
    {
        std::lock_guard lock(Shared->Mutex);
        Shared->Wanted = true;
    }
    Shared->Signal.notify_all();
}

void TLiveReader::Stop() {
    if (!Thread.joinable()) {
        return;
    }
    bool finished = false;
    {
        std::unique_lock lock(Shared->Mutex);
        Shared->Stopping = true;
        Shared->Signal.notify_all();
        finished = Shared->Signal.wait_for(lock, StopWait, [this] { return Shared->Finished; });
    }
    if (finished) {
        Thread.join();
    } else {
        Thread.detach();
    }
}
