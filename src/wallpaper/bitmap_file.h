#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace wallpaper {

struct PixelSize {
    std::uint32_t width, height;
    bool operator==(const PixelSize&) const = default;
};

constexpr std::size_t kBmpHeaderSize = 54;

// Bytes of one row of a 24-bit bitmap: three per pixel, padded to 4.
std::size_t BmpStride(std::uint32_t width);

// File and info header of a 24-bit, bottom-up, uncompressed bitmap whose
// rows follow at byte 54. Sizes that do not fit the 32-bit fields are written
// as 0 (callers keep pictures within kMaxPixels).
std::array<std::uint8_t, kBmpHeaderSize> BmpHeader(std::uint32_t width, std::uint32_t height);

// Whether a BMP file whose first bytes are `head` and whose length is
// `fileSize` holds a picture of a sane size with all of its pixels, in a
// layout the desktop shows: a bitmap is copied as it is, so a cut or broken
// one would end up on the desktop.
bool BmpWhole(std::span<const std::uint8_t> head, std::uint64_t fileSize);

// The size scaled down (never up) to fit maxW x maxH, aspect kept, each side
// at least 1.
PixelSize FitWithin(std::uint32_t w, std::uint32_t h, std::uint32_t maxW, std::uint32_t maxH);

// The size a stored picture shows at with its EXIF orientation (5..8 turn
// it a quarter); values out of 1..8 count as 1.
PixelSize OrientedSize(PixelSize stored, int orientation);

// Where the pixels of one stored row land in the pixel rows of the bottom-up
// 24-bit bitmap of the oriented picture: pixel x of the row starts at byte
// first + x * step, counted from the first pixel row.
struct RowPlacement {
    std::int64_t first;
    std::int64_t step;
};
RowPlacement PlaceRow(PixelSize stored, int orientation, std::uint32_t row);

}  // namespace wallpaper
