#include "ui/web/memorytrim.h"

#include "core/platform/freememory.h"

namespace {

/// Answers after which free memory goes back to the system; and, once answers stop coming,
/// the last of a burst of at least TrimAfterBurst.
constexpr int TrimAfterAnswers = 200;
constexpr int TrimAfterBurst = 20;
/// Sweeps without an answer after which a burst counts as over: its connections linger up to
/// the request limit (3 s) after their answers.
constexpr int QuietAfterSweeps = 4;

} // namespace

void TMemoryTrim::Sweep() {
    QuietSweeps = Total == AtLastSweep ? QuietSweeps + 1 : 0;
    AtLastSweep = Total;
    const bool quiet = QuietSweeps == QuietAfterSweeps;
    if (SinceTrim >= TrimAfterAnswers) {
        SinceTrim = 0;
        Owed = true;
        ReturnFreeMemory();
    } else if (quiet && (Owed || SinceTrim >= TrimAfterBurst)) {
        SinceTrim = 0;
        Owed = false;
        ReturnFreeMemory();
    }
}
