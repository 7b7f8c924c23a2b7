#include "core/app/bitmapfile.h"

#include <cstdlib>

namespace {

constexpr uint32_t CoreHeaderSize = 12; // the old OS/2 form with 16-bit sizes
constexpr uint32_t InfoHeaderSize = 40; // and every later form, which begins the same way
constexpr uint32_t Uncompressed = 0;
constexpr uint32_t BitFields = 3;
constexpr uint32_t AlphaBitFields = 6;

uint32_t Little(std::string_view bytes, std::size_t at, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

struct TBitmapHeader {
    int64_t Width = 0;
    int64_t Height = 0;
    uint32_t Bits = 0;
    uint32_t Compression = Uncompressed;
    uint32_t ImageSize = 0;
};

/// Bytes of pixel data the header describes; 0 when it cannot be told (the reader decides).
/// `complete` turns false when the size is past anything a file can hold.
uint64_t PixelBytes(const TBitmapHeader& h, bool& complete) {
    const bool rows = h.Compression == Uncompressed || h.Compression == BitFields ||
                      h.Compression == AlphaBitFields;
    if (!rows) {
        return h.ImageSize; // run-length or embedded data: only its stated size is known
    }
    if (h.Width <= 0 || h.Height == 0 || h.Bits == 0) {
        return 0;
    }
    const uint64_t bitsPerRow = static_cast<uint64_t>(h.Width) * h.Bits;
    const uint64_t stride = (bitsPerRow + 31) / 32 * 4;
    uint64_t total = 0;
    if (__builtin_mul_overflow(stride, static_cast<uint64_t>(std::llabs(h.Height)), &total)) {
        complete = false;
    }
    return total;
}

} // namespace

bool BitmapPixelsComplete(std::string_view head, uint64_t fileSize) {
    if (head.size() < 2 || head.substr(0, 2) != "BM") {
        return true;
    }
    if (head.size() < 18) {
        return false; // cut inside the file header
    }
    const uint64_t offset = Little(head, 10, 4);
    const uint32_t infoSize = Little(head, 14, 4);
    TBitmapHeader header;
    if (infoSize == CoreHeaderSize) {
        if (head.size() < 26) {
            return false;
        }
        header.Width = Little(head, 18, 2);
        header.Height = Little(head, 20, 2);
        header.Bits = Little(head, 24, 2);
    } else if (infoSize >= InfoHeaderSize) {
        if (head.size() < 54) {
            return false;
        }
        header.Width = static_cast<int32_t>(Little(head, 18, 4));
        header.Height = static_cast<int32_t>(Little(head, 22, 4));
        header.Bits = Little(head, 28, 2);
        header.Compression = Little(head, 30, 4);
        header.ImageSize = Little(head, 34, 4);
    } else {
        return true;
    }
    bool complete = true;
    const uint64_t pixels = PixelBytes(header, complete);
    uint64_t end = 0;
    return complete && !__builtin_add_overflow(offset, pixels, &end) && end <= fileSize;
}
