#include "core/web/livemessages.h"

namespace {

std::string Field(const char* name, int64_t value) {
    return ",\"" + std::string(name) + "\":" + std::to_string(value);
}

} // namespace

std::string PictureMessage(int width, int height, int64_t drawnAt) {
    return "{\"kind\":\"picture\"" + Field("width", width) + Field("height", height) +
           Field("drawnAt", drawnAt) + "}";
}

std::string PatchMessage(int width, int height, const std::vector<TPixelBox>& boxes,
                         int64_t drawnAt) {
    // Appended piece by piece: GCC 12 warns falsely on chains of + with literals at -O3.
    std::string list = "[";
    for (const TPixelBox& box : boxes) {
        list += list.size() > 1 ? ",[" : "[";
        for (const int value : {box.X, box.Y, box.Width, box.Height}) {
            list += std::to_string(value);
            list += ',';
        }
        list.back() = ']';
    }
    list += ']';
    return "{\"kind\":\"patch\"" + Field("width", width) + Field("height", height) +
           ",\"boxes\":" + list + Field("drawnAt", drawnAt) + "}";
}

std::string StripMessage(int width, int height, int offset, int end, bool scrolling, int speed,
                         int64_t drawnAt) {
    return "{\"kind\":\"strip\"" + Field("width", width) + Field("height", height) +
           Field("offset", offset) + Field("end", end) +
           ",\"scrolling\":" + (scrolling ? "true" : "false") + Field("speed", speed) +
           Field("drawnAt", drawnAt) + "}";
}

std::string ScrollMessage(int offset, int64_t drawnAt) {
    return "{\"kind\":\"scroll\"" + Field("offset", offset) + Field("drawnAt", drawnAt) + "}";
}
