#include "core/web/tokenguard.h"

#include <algorithm>

int64_t TTokenGuard::RefusedFor(const std::string& address, int64_t nowMs) const {
    const auto found = Records.find(address);
    if (found == Records.end()) {
        return 0;
    }
    return std::max<int64_t>(0, found->second.RefusedUntil - nowMs);
}

bool TTokenGuard::WrongToken(const std::string& address, int64_t nowMs) {
    if (Records.size() >= MaxGuardedAddresses && Records.count(address) == 0) {
        ForgetStalest();
    }
    TAddressRecord& record = Records[address];
    record.LastSeen = nowMs;
    if (nowMs - record.WindowStart > FailureWindowMs) {
        record.WindowStart = nowMs;
        record.Failures = 0;
    }
    if (++record.Failures <= WrongTokensAllowed) {
        return false;
    }
    // Refusals grow while they follow each other; one long past starts the count again.
    const bool recent = record.LastLockoutMs != 0 && nowMs - record.RefusedUntil < MaxLockoutMs;
    record.LastLockoutMs =
        recent ? std::min(MaxLockoutMs, record.LastLockoutMs * 2) : FirstLockoutMs;
    record.RefusedUntil = nowMs + record.LastLockoutMs;
    record.WindowStart = nowMs;
    record.Failures = 0;
    return true;
}

void TTokenGuard::ForgetStalest() {
    // A refusal still running is forgotten last: a guesser cannot clear its own by flooding
    // the table from one address.
    const auto stalest =
        std::min_element(Records.begin(), Records.end(), [](const auto& a, const auto& b) {
            return std::pair(a.second.RefusedUntil, a.second.LastSeen) <
                   std::pair(b.second.RefusedUntil, b.second.LastSeen);
        });
    Records.erase(stalest);
}
