#include "wallpaper/bitmap_file.h"

#include <algorithm>
#include <climits>
#include <limits>

#include "base/bytes.h"
#include "wallpaper/picture_info.h"

namespace wallpaper {

namespace {

std::uint64_t Stride64(std::uint32_t width) { return (std::uint64_t{width} * 3 + 3) & ~std::uint64_t{3}; }

// Where stored pixel (x, y) shows, in the oriented picture's coordinates.
// Signed, so that x one past the row still gives the row's step.
struct Point {
    std::int64_t x, y;
};
Point Orient(std::int64_t x, std::int64_t y, PixelSize stored, int orientation) {
    const std::int64_t w = stored.width, h = stored.height;
    switch (orientation) {
    case 2:
        return {w - 1 - x, y};  // mirrored left to right
    case 3:
        return {w - 1 - x, h - 1 - y};  // upside down
    case 4:
        return {x, h - 1 - y};  // mirrored top to bottom
    case 5:
        return {y, x};  // mirrored along the main diagonal
    case 6:
        return {h - 1 - y, x};  // turned a quarter clockwise
    case 7:
        return {h - 1 - y, w - 1 - x};  // mirrored along the other diagonal
    case 8:
        return {y, w - 1 - x};  // turned a quarter anticlockwise
    default:
        return {x, y};
    }
}

}  // namespace

bool BmpWhole(std::span<const std::uint8_t> head, std::uint64_t fileSize) {
    const auto info = SniffPicture(head);
    if (!info || info->kind != PictureKind::Bmp || TooLarge(*info)) return false;
    const std::uint64_t offset = bytes::Le32(head, 10), headerSize = bytes::Le32(head, 14);
    const bool core = headerSize == 12;
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
        headerSize != 124)
        return false;
    if (head.size() < (core ? 26u : 34u)) return false;
    const unsigned planes = bytes::Le16(head, core ? 22 : 26), bpp = bytes::Le16(head, core ? 24 : 28);
    const std::uint32_t compression = core ? 0 : bytes::Le32(head, 30);
    const bool topDown = !core && bytes::Le32(head, 22) > INT32_MAX;
    // What the desktop shows as it is: palettes, 24 bits, and (not in the
    // old core header) 16 or 32 bits, plain or with their masks, which a
    // 40-byte header keeps after itself; run-length rows only of their own
    // depth and bottom-up. The decoder takes everything else.
    const bool palette = bpp == 1 || bpp == 4 || bpp == 8, wide = !core && (bpp == 16 || bpp == 32);
    const bool runs = compression == 1 || compression == 2;
    const bool shown = compression == 0 ? palette || bpp == 24 || wide
                       : runs           ? bpp == (compression == 1 ? 8u : 4u) && !topDown
                                        : compression == 3 && wide;
    const std::uint64_t masks = compression == 3 && headerSize == 40 ? 12 : 0;
    if (!shown || planes != 1 || offset < 14 + headerSize + masks || offset > fileSize) return false;
    if (runs) return fileSize > offset;  // run-length: any length
    const std::uint64_t stride = (std::uint64_t{info->width} * bpp + 31) / 32 * 4;
    return fileSize - offset >= stride * info->height;
}

std::size_t BmpStride(std::uint32_t width) { return static_cast<std::size_t>(Stride64(width)); }

std::array<std::uint8_t, kBmpHeaderSize> BmpHeader(std::uint32_t width, std::uint32_t height) {
    constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();
    const std::uint64_t image = Stride64(width) * height;
    const std::uint64_t file = image + kBmpHeaderSize;
    std::array<std::uint8_t, kBmpHeaderSize> h{};
    h[0] = 'B';
    h[1] = 'M';
    bytes::PutLe(&h[2], file <= kMax32 ? file : 0, 4);
    bytes::PutLe(&h[10], kBmpHeaderSize, 4);  // pixel data offset
    bytes::PutLe(&h[14], 40, 4);              // BITMAPINFOHEADER
    bytes::PutLe(&h[18], width, 4);
    bytes::PutLe(&h[22], height, 4);  // positive: bottom-up, which every desktop shows
    bytes::PutLe(&h[26], 1, 2);       // planes
    bytes::PutLe(&h[28], 24, 2);      // bits per pixel
    bytes::PutLe(&h[30], 0, 4);       // BI_RGB
    bytes::PutLe(&h[34], image <= kMax32 ? image : 0, 4);
    bytes::PutLe(&h[38], 2835, 4);  // 72 dpi
    bytes::PutLe(&h[42], 2835, 4);
    return h;
}

PixelSize FitWithin(std::uint32_t w, std::uint32_t h, std::uint32_t maxW, std::uint32_t maxH) {
    w = std::max<std::uint32_t>(w, 1);
    h = std::max<std::uint32_t>(h, 1);
    maxW = std::max<std::uint32_t>(maxW, 1);
    maxH = std::max<std::uint32_t>(maxH, 1);
    if (w <= maxW && h <= maxH) return {w, h};
    // Rounded a * num / den; the products of two 32-bit values fit 64 bits.
    auto scale = [](std::uint64_t a, std::uint64_t num, std::uint64_t den) {
        const std::uint64_t p = a * num;
        const std::uint64_t q = p / den + (2 * (p % den) >= den ? 1 : 0);
        return static_cast<std::uint32_t>(std::max<std::uint64_t>(q, 1));
    };
    // The side that overshoots more decides the scale.
    if (std::uint64_t{w} * maxH >= std::uint64_t{h} * maxW) return {maxW, std::min(scale(h, maxW, w), maxH)};
    return {std::min(scale(w, maxH, h), maxW), maxH};
}

PixelSize OrientedSize(PixelSize stored, int orientation) {
    return orientation >= 5 && orientation <= 8 ? PixelSize{stored.height, stored.width} : stored;
}

RowPlacement PlaceRow(PixelSize stored, int orientation, std::uint32_t row) {
    const PixelSize shown = OrientedSize(stored, orientation);
    const auto stride = static_cast<std::int64_t>(Stride64(shown.width));
    auto offset = [&](Point p) { return (std::int64_t{shown.height} - 1 - p.y) * stride + 3 * p.x; };
    const std::int64_t first = offset(Orient(0, row, stored, orientation));
    return {first, offset(Orient(1, row, stored, orientation)) - first};
}

}  // namespace wallpaper
