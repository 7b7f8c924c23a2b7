#pragma once
// One string field of a JSON object, as control surfaces send a call's value
// ({"text":"PIT LANE OPEN"}). The whole body must be one well-formed object; the other fields
// are read past and ignored.

#include <string>
#include <string_view>
#include <variant>

/// Why a body could not give the field: the body is no JSON object, or the field is missing or
/// no string.
struct TJsonFieldError {
    std::string Reason;
};

/// The value of the string field `name` of the object `json`, its escapes decoded to UTF-8.
std::variant<std::string, TJsonFieldError> JsonStringField(std::string_view json,
                                                           std::string_view name);
