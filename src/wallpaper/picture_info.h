#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace wallpaper {

enum class PictureKind { Jpeg, Png, Gif, Bmp };

struct PictureInfo {
    PictureKind kind;
    std::uint32_t width, height;
    int orientation;  // EXIF 1..8, 1 when none
};

// Kind and size of a picture from the first bytes of its file (the caller
// reads at most 256 KiB). Reads only inside head. Nullopt when the bytes are
// no picture of a known kind, are cut short before the size, or the size is 0.
std::optional<PictureInfo> SniffPicture(std::span<const std::uint8_t> head);

// Whether head starts like a picture of a known kind (magic bytes only).
bool IsPictureStart(std::span<const std::uint8_t> head);

// Larger pictures are refused before any decoding: a decoded 24-bit bitmap
// of this many pixels is 300 MB.
constexpr std::uint64_t kMaxPixels = 100'000'000;

bool TooLarge(const PictureInfo& info);

// The EXIF orientation a conversion turns the picture by: a JPEG's own; the
// other kinds carry none that decoders agree on.
int AppliedOrientation(const PictureInfo& info);

}  // namespace wallpaper
