#pragma once
// Wrong tokens, counted per client address. Guessing a token takes many tries: an address
// that keeps sending wrong ones is refused for a while, at once and without waiting, so the
// guesser is slowed and nobody else is. A right token does not clear the count: a client with
// the read token must not be able to guess the control token between its reads.

#include <cstdint>
#include <string>
#include <unordered_map>

/// Wrong tokens an address may send within FailureWindowMs before it is refused.
constexpr int WrongTokensAllowed = 5;
constexpr int64_t FailureWindowMs = 60000;
/// The first refusal lasts this long; each one that follows a new run of wrong tokens twice as
/// long, up to MaxLockoutMs; a run long after the last refusal starts again at the first.
constexpr int64_t FirstLockoutMs = 30000;
constexpr int64_t MaxLockoutMs = 15 * 60000;
/// Addresses remembered at once; the stalest is forgotten for a new one.
constexpr std::size_t MaxGuardedAddresses = 4096;

class TTokenGuard {
  public:
    /// How long `address` is still refused at `nowMs` (a steady clock), 0 when it may try.
    int64_t RefusedFor(const std::string& address, int64_t nowMs) const;
    /// `address` sent a wrong token at `nowMs`; true when this starts a refusal.
    bool WrongToken(const std::string& address, int64_t nowMs);

  private:
    struct TAddressRecord {
        int64_t WindowStart = 0;
        int Failures = 0;
        int64_t RefusedUntil = 0;
        int64_t LastLockoutMs = 0;
        int64_t LastSeen = 0;
    };
    void ForgetStalest();

    std::unordered_map<std::string, TAddressRecord> Records;
};
