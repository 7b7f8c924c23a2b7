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

std::string PatchMessage(int width, int height, const std::vector<TPixelBox>& boxes,
                         int64_t drawnAt) {
    std::string list;
    for (const TPixelBox& box : boxes) {
        list += (list.empty() ? "[" : ",") + ("[" + std::to_string(box.X)) + "," +
                std::to_string(box.Y) + "," + std::to_string(box.Width) + "," +
                std::to_string(box.Height) + "]";
    }
    return "{\"kind\":\"patch\"" + Field("width", width) + Field("height", height) +
           ",\"boxes\":" + (list.empty() ? "[]" : list + "]") + Field("drawnAt", drawnAt) + "}";
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
