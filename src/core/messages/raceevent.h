#pragma once
// The ticker's message lists: race messages waiting or on screen, and the ranking strip.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

/// How long each message stays on the ticker, in seconds on screen: the weightier the news,
/// the longer the viewer gets to read it.
namespace EventSeconds {
inline constexpr int Winner = 12;
inline constexpr int FinalLap = 10;
inline constexpr int FullCourseYellow = 10;
inline constexpr int Finisher = 8;
inline constexpr int Retirement = 8; // DNF or DQ in a race
inline constexpr int PitIn = 8;
inline constexpr int Battle = 8;
inline constexpr int FastestLap = 7;
inline constexpr int ImprovedLap = 7; // a better lap outside a race
inline constexpr int SessionDq = 6;   // a DQ outside a race
} // namespace EventSeconds

struct TRaceEvent {
    /// On the ticker line now.
    bool Shown = false;
    /// Seconds left; counted down only while shown.
    int32_t Remaining = 0;
    std::string Title;
    /// Body in the number-box markup: text between two "#" is drawn as a boxed number.
    std::string Text;
    uint8_t Duration = 0;
};

/// An owning list of events.
class TRaceEventList {
  public:
    int Count() const { return static_cast<int>(Events.size()); }
    TRaceEvent& Items(int index);
    const TRaceEvent& Items(int index) const;
    void Delete(int index);
    void Clear();

    /// Appends an event, not shown, with Remaining = Duration (clamped to 0..255).
    void AddEvent(const std::string& title, const std::string& text, int duration);
    /// Counts down every shown event and deletes those whose time is up; true if any went.
    bool ExpireShown();

    /// Called with each event as it is appended (the replay command prints it).
    std::function<void(const TRaceEvent&)> OnAdded;

  private:
    std::vector<std::unique_ptr<TRaceEvent>> Events;
};
