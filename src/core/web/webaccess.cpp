#include "core/web/webaccess.h"

#include <cstdint>
#include <random>

namespace {

/// Compares in a time that does not depend on where the texts first differ, so the token
/// cannot be guessed a character at a time by timing.
bool SameToken(const std::string& given, const std::string& wanted) {
    if (wanted.empty() || given.size() != wanted.size()) {
        return false;
    }
    unsigned char difference = 0;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        difference |= static_cast<unsigned char>(given[i] ^ wanted[i]);
    }
    return difference == 0;
}

std::string GivenToken(const TRequestHead& head) {
    const std::string authorization = head.Header("authorization");
    if (LowerAscii(authorization.substr(0, 7)) == "bearer ") {
        const std::size_t start = authorization.find_first_not_of(' ', 7);
        return start == std::string::npos ? std::string() : authorization.substr(start);
    }
    const auto query = head.Query.find("token");
    return query == head.Query.end() ? std::string() : query->second;
}

} // namespace

TGrant GrantOf(const TRequestHead& head, const TWebAccess& access) {
    const std::string token = GivenToken(head);
    if (token.empty()) {
        return TGrant::None;
    }
    if (SameToken(token, access.ControlToken)) {
        return TGrant::Control;
    }
    return SameToken(token, access.ReadToken) ? TGrant::Read : TGrant::None;
}

bool MayRead(const TRequestHead& head, const TWebAccess& access, bool fromThisPC) {
    return fromThisPC || GrantOf(head, access) != TGrant::None;
}

bool CarriesToken(const TRequestHead& head) {
    return !GivenToken(head).empty();
}

bool WrongToken(const TRequestHead& head, const TWebAccess& access) {
    return !GivenToken(head).empty() && GrantOf(head, access) == TGrant::None;
}

std::string TokenProblem(const std::string& name, const std::string& token) {
    if (token.empty() || token.size() >= MinTokenLength) {
        return {};
    }
    return name + " is shorter than " + std::to_string(MinTokenLength) +
           " characters and is not taken: it would be guessed in moments";
}

std::string NewWebToken() {
    static constexpr char Hex[] = "0123456789abcdef";
    std::random_device random;
    std::string token;
    for (int i = 0; i < 4; ++i) {
        const uint32_t bits = random();
        for (int shift = 28; shift >= 0; shift -= 4) {
            token += Hex[(bits >> shift) & 0xF];
        }
    }
    return token;
}
