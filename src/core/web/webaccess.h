#pragma once
// Who may do what on the web server. Changing anything takes the control token; other PCs
// need the read token (or the control token) for the pages, their live channels and the data;
// this PC's own browser sources need none. A web page of another site, open in the producer's
// browser, knows neither token, and is given no CORS grant to read what it cannot see.

#include "core/web/httprequest.h"

#include <string>

struct TWebAccess {
    std::string ControlToken;
    std::string ReadToken;
};

enum class TGrant { None, Read, Control };

/// What the request's token grants: `Authorization: Bearer ...`, else `?token=...`. An empty
/// configured token grants nothing.
TGrant GrantOf(const TRequestHead& head, const TWebAccess& access);

/// Whether a request from a peer (`fromThisPC` for a loopback address) may read.
bool MayRead(const TRequestHead& head, const TWebAccess& access, bool fromThisPC);

/// Whether the request carries a token at all (a header or the query).
bool CarriesToken(const TRequestHead& head);

/// Whether the request carries a token that grants nothing: a guess, for TTokenGuard.
bool WrongToken(const TRequestHead& head, const TWebAccess& access);

/// A token for the configuration file: 128 random bits as 32 lower-case hex digits.
std::string NewWebToken();

/// The shortest token that is taken: a short one set by hand is guessed in moments.
constexpr std::size_t MinTokenLength = 16;

/// Why the token `name` (WebToken, WebReadToken) as configured is not taken, or empty when it
/// is (an empty one is none, made when the server starts).
std::string TokenProblem(const std::string& name, const std::string& token);
