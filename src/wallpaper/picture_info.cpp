#include "wallpaper/picture_info.h"

#include <climits>
#include <cstring>

#include "base/bytes.h"

namespace wallpaper {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint8_t kPngMagic[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool Has(Bytes b, std::size_t at, const void* what, std::size_t n) {
    return at <= b.size() && n <= b.size() - at && std::memcmp(b.data() + at, what, n) == 0;
}

using bytes::Be16;
using bytes::Be32;
using bytes::Le16;
using bytes::Le32;

std::optional<PictureKind> KindOf(Bytes head) {
    if (Has(head, 0, "\xFF\xD8\xFF", 3)) return PictureKind::Jpeg;
    if (Has(head, 0, kPngMagic, sizeof kPngMagic)) return PictureKind::Png;
    if (Has(head, 0, "GIF87a", 6) || Has(head, 0, "GIF89a", 6)) return PictureKind::Gif;
    if (Has(head, 0, "BM", 2)) return PictureKind::Bmp;
    return std::nullopt;
}

// Orientation tag of IFD0 in a TIFF block; 1 when absent or out of range.
int ExifOrientation(Bytes tiff) {
    if (tiff.size() < 8) return 1;
    const bool le = Has(tiff, 0, "II*\0", 4);
    if (!le && !Has(tiff, 0, "MM\0*", 4)) return 1;
    auto u16 = [&](std::size_t at) { return le ? Le16(tiff, at) : Be16(tiff, at); };
    auto u32 = [&](std::size_t at) { return le ? Le32(tiff, at) : Be32(tiff, at); };
    const std::uint32_t ifd = u32(4);
    if (ifd > tiff.size() || tiff.size() - ifd < 2) return 1;
    const std::size_t count = u16(ifd);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t e = ifd + 2 + 12 * i;
        if (e + 12 > tiff.size()) break;
        if (u16(e) != 0x0112) continue;
        // A SHORT: its value sits in the first two bytes of the value field.
        if (u16(e + 2) != 3 || u32(e + 4) != 1) return 1;
        const int v = u16(e + 8);
        return v >= 1 && v <= 8 ? v : 1;
    }
    return 1;
}

std::optional<PictureInfo> SniffJpeg(Bytes b) {
    int orientation = 1;
    std::size_t pos = 2;
    for (;;) {
        if (pos >= b.size() || b[pos] != 0xFF) return std::nullopt;
        while (pos < b.size() && b[pos] == 0xFF) ++pos;  // fill bytes
        if (pos >= b.size()) return std::nullopt;
        const std::uint8_t m = b[pos++];
        if (m == 0x01 || (m >= 0xD0 && m <= 0xD8)) continue;           // no length follows
        if (m == 0xD9 || m == 0xDA || m == 0x00) return std::nullopt;  // no frame header before the data
        if (b.size() - pos < 2) return std::nullopt;
        const std::size_t len = Be16(b, pos);
        if (len < 2 || len > b.size() - pos) return std::nullopt;
        const Bytes seg = b.subspan(pos + 2, len - 2);
        const bool sof = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (sof) {
            if (seg.size() < 5) return std::nullopt;
            const std::uint32_t h = Be16(seg, 1), w = Be16(seg, 3);
            if (w == 0 || h == 0) return std::nullopt;
            return PictureInfo{PictureKind::Jpeg, w, h, orientation};
        }
        if (m == 0xE1 && orientation == 1 && Has(seg, 0, "Exif\0\0", 6))
            orientation = ExifOrientation(seg.subspan(6));
        pos += len;
    }
}

std::optional<PictureInfo> SniffBmp(Bytes b) {
    if (b.size() < 18) return std::nullopt;
    const std::uint32_t header = Le32(b, 14);
    std::uint32_t w = 0, h = 0;
    if (header == 12) {
        if (b.size() < 22) return std::nullopt;
        w = Le16(b, 18);
        h = Le16(b, 20);
    } else if (header >= 40 && header <= 124) {
        if (b.size() < 26) return std::nullopt;
        const std::uint32_t rawW = Le32(b, 18), rawH = Le32(b, 22);
        if (rawW > INT32_MAX) return std::nullopt;     // negative width
        if (rawH == 0x80000000u) return std::nullopt;  // no positive counterpart
        w = rawW;
        h = rawH > INT32_MAX ? 0u - rawH : rawH;  // negative: stored top-down
    } else {
        return std::nullopt;
    }
    if (w == 0 || h == 0) return std::nullopt;
    return PictureInfo{PictureKind::Bmp, w, h, 1};
}

}  // namespace

bool IsPictureStart(std::span<const std::uint8_t> head) { return KindOf(head).has_value(); }

std::optional<PictureInfo> SniffPicture(std::span<const std::uint8_t> head) {
    const auto kind = KindOf(head);
    if (!kind) return std::nullopt;
    std::uint32_t w = 0, h = 0;
    switch (*kind) {
    case PictureKind::Jpeg:
        return SniffJpeg(head);
    case PictureKind::Bmp:
        return SniffBmp(head);
    case PictureKind::Png:
        // The first chunk must be IHDR: length 13, then width and height.
        if (head.size() < 24 || !Has(head, 12, "IHDR", 4)) return std::nullopt;
        w = Be32(head, 16);
        h = Be32(head, 20);
        if (w > INT32_MAX || h > INT32_MAX) return std::nullopt;
        break;
    case PictureKind::Gif:
        if (head.size() < 10) return std::nullopt;
        w = Le16(head, 6);
        h = Le16(head, 8);
        break;
    }
    if (w == 0 || h == 0) return std::nullopt;
    return PictureInfo{*kind, w, h, 1};
}

bool TooLarge(const PictureInfo& info) { return std::uint64_t{info.width} * info.height > kMaxPixels; }

int AppliedOrientation(const PictureInfo& info) {
    return info.kind == PictureKind::Jpeg ? info.orientation : 1;
}

}  // namespace wallpaper
