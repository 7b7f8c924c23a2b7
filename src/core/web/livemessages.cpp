#include "web/livemessages.h"

namespace {

std::string Field(const char* name, int64_t value) {
    return ",\"" + std::string(name) + "\":" + std::to_string(value);
}

} // namespace

std::string PictureMessage(int width, int height, int64_t drawnAt) {
    return "{\"kind\":\"picture\"" + Field("width", width) + Field("height", height) +
           Field("drawnAt", drawnAt) + "}";
}

std::string StripMessage(int width, int height, int offset, int end, bool scrolling,
                         int64_t drawnAt) {
    return "{\"kind\":\"strip\"" + Field("width", width) + Field("height", height) +
           Field("offset", offset) + Field("end", end) +
           ",\"scrolling\":" + (scrolling ? "true" : "false") + Field("drawnAt", drawnAt) + "}";
}

std::string ScrollMessage(int offset, int64_t drawnAt) {
    return "{\"kind\":\"scroll\"" + Field("offset", offset) + Field("drawnAt", drawnAt) + "}";
}
