#pragma once
// The words of the live file that the program acts on: the session kind, the game phase and a
// car's finish status. Each is read into its meaning once, where the file is parsed; the bytes
// are kept beside it, because labels, logs, reports and the replay show them as written.

#include "core/platform/bytewords.h"

#include <ostream>
#include <string>
#include <string_view>

enum class TSessionKind { Other, Race, Warmup };
enum class TGamePhase {
    None,
    Other,
    Countdown,
    FormationLap,
    GreenFlag,
    FullCourseYellow,
    SessionOver
};
enum class TFinishStatus { Other, None, Finished, Dnf, Dq };

/// Exact, case-sensitive matches: "Race", "Warmup"; anything else is Other.
TSessionKind SessionKindOf(std::string_view text);
/// "Countdown", "FormationLap", "GreenFlag", "FullCourseYellow", "SessionOver"; an empty text is
/// None, any other Other.
TGamePhase GamePhaseOf(std::string_view text);
/// "None", "Finished", "DNF", "DQ"; anything else (also an empty text) is Other.
TFinishStatus FinishStatusOf(std::string_view text);

/// A live-file word with its meaning. Assigning a text reads its meaning; comparing with a
/// meaning compares meanings, comparing with a text or another word compares bytes.
template <typename Kind, Kind (*Read)(std::string_view), Kind Empty> class TRaceWord {
  public:
    TRaceWord() = default;
    TRaceWord(std::string text) : Bytes(std::move(text)), Meaning(Read(Bytes)) {}
    TRaceWord(const char* text) : TRaceWord(std::string(text)) {}

    const std::string& Text() const { return Bytes; }
    Kind Is() const { return Meaning; }
    bool empty() const { return Bytes.empty(); }
    /// Empties the word, keeping the memory it holds (a parser reuses its slots).
    void clear() {
        Bytes.clear();
        Meaning = Empty;
    }
    /// Reads a new text into the word, keeping the memory it already holds.
    void assign(std::string_view text) {
        Bytes.assign(text);
        Meaning = Read(Bytes);
    }

    bool operator==(Kind kind) const { return Meaning == kind; }
    /// Equal bytes have equal meanings, so the meanings are compared first; the bytes are a short
    /// word, compared without a call to memcmp (the merge compares every car's at every reading).
    bool operator==(const TRaceWord& other) const {
        return Meaning == other.Meaning && Bytes.size() == other.Bytes.size() &&
               SameBytes(Bytes.data(), other.Bytes.data(), Bytes.size());
    }
    bool operator==(const std::string& text) const { return Bytes == text; }
    bool operator==(std::string_view text) const { return Bytes == text; }
    bool operator==(const char* text) const { return Bytes == text; }

  private:
    std::string Bytes;
    /// An empty word's meaning is given with the type: a fresh slot needs no reading.
    Kind Meaning = Empty;
};

using TSessionWord = TRaceWord<TSessionKind, SessionKindOf, TSessionKind::Other>;
using TPhaseWord = TRaceWord<TGamePhase, GamePhaseOf, TGamePhase::None>;
using TFinishWord = TRaceWord<TFinishStatus, FinishStatusOf, TFinishStatus::Other>;

/// How gtest and the replay show a word: its bytes.
template <typename Kind, Kind (*Read)(std::string_view), Kind Empty>
std::ostream& operator<<(std::ostream& out, const TRaceWord<Kind, Read, Empty>& word) {
    return out << word.Text();
}
