#pragma once
// When the server gives free memory back to the system. Thousands of short connections leave
// the allocator's free memory in pieces it keeps; after a flood of them it goes back.

class TMemoryTrim {
  public:
    /// An answer went (a connection's memory will be free soon).
    void Answered() {
        ++SinceTrim;
        ++Total;
    }
    /// Once a second: trims after many answers, and once more when a burst has stopped.
    void Sweep();

  private:
    int SinceTrim = 0;
    long long Total = 0;
    long long AtLastSweep = 0;
    /// A flood was trimmed while it went on: trim again once it stops.
    bool Owed = false;
    /// Sweeps in a row that saw no answer go.
    int QuietSweeps = 0;
};
