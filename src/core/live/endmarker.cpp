#include "core/live/endmarker.h"

#include "core/platform/bytehash.h"

using std::chrono::duration_cast;
using std::chrono::milliseconds;

void TEndMarkerRule::Ended() {
    *this = TEndMarkerRule();
    Seen = true;
}

bool TEndMarkerRule::IsNewVersion(std::string_view bytes) {
    const uint64_t hash = HashBytes(bytes);
    const bool sameVersion =
        RunSince && bytes.size() >= LastSize && HashBytes(bytes.substr(0, LastSize)) == LastHash;
    LastSize = bytes.size();
    LastHash = hash;
    return !sameVersion;
}

TUnendedVerdict TEndMarkerRule::Unended(std::string_view bytes, TSteadyTime now) {
    if (GaveUp) {
        return {true, std::nullopt, false};
    }
    if (IsNewVersion(bytes)) {
        ++Versions;
    }
    if (!RunSince) {
        RunSince = now;
    }
    const TUnendedVerdict giveUp = HoldOrGiveUp(now);
    if (giveUp.Take || Seen) {
        return giveUp;
    }
    TUnendedVerdict still = WaitUntilStill(LastHash, now);
    if (!still.Take && giveUp.LookAgainAfter && *giveUp.LookAgainAfter < *still.LookAgainAfter) {
        still.LookAgainAfter = giveUp.LookAgainAfter;
    }
    return still;
}

TUnendedVerdict TEndMarkerRule::HoldOrGiveUp(TSteadyTime now) {
    const auto lasted = duration_cast<milliseconds>(now - *RunSince);
    if (Versions < UnendedGiveUpVersions) {
        return {};
    }
    if (lasted >= UnendedGiveUpAfter) {
        GaveUp = true;
        return {true, std::nullopt, true};
    }
    // Enough versions already: should the writer now stop, its last one still goes on air.
    return {false, UnendedGiveUpAfter - lasted, false};
}

TUnendedVerdict TEndMarkerRule::WaitUntilStill(uint64_t hash, TSteadyTime now) {
    if (!StillSince || StillHash != hash) {
        StillHash = hash;
        StillSince = now;
        return {false, UnendedReadingWait, false};
    }
    const auto waited = duration_cast<milliseconds>(now - *StillSince);
    if (waited < UnendedReadingWait) {
        return {false, UnendedReadingWait - waited, false};
    }
    StillSince.reset(); // the next version waits afresh
    return {true, std::nullopt, false};
}
