#pragma once
// The reader thread: takes every look at the live folder (ReadLiveFolder) off the window
// thread, so a share that stops answering in the middle of a read stops this thread only,
// never the tower or the ticker on air. It hands each reading over, moved; parsing, merging
// and drawing stay with the windows.

#include "core/live/folderreading.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>

class TLiveReader {
  public:
    /// Called on the reader thread with each reading; the Qt side posts it to the console.
    /// Never called once Stop has returned.
    using Deliver = std::function<void(TFolderReading reading)>;

    TLiveReader(std::string folder, Deliver deliver);
    ~TLiveReader();
    TLiveReader(const TLiveReader&) = delete;
    TLiveReader& operator=(const TLiveReader&) = delete;

    /// The file the next readings read (empty: none); from any thread.
    void Follow(const std::string& path);
    /// Asks for a reading as soon as the thread is free; requests made meanwhile make one.
    /// From any thread.
    void Request();
    /// Wakes and joins the thread. A thread stuck in a stalled share's I/O for more than two
    /// seconds is left behind instead, to end when the I/O returns, delivering nothing more.
    void Stop();

  private:
    struct TShared;
    std::shared_ptr<TShared> Shared;
    std::thread Thread;
};
