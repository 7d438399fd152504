#include <gtest/gtest.h>

#include "wallpaper/bitmap_file.h"
#include "wallpaper/picture_info.h"

using namespace wallpaper;

namespace {

using Bytes = std::vector<std::uint8_t>;

// clang-format off
Bytes operator+(Bytes a, const Bytes& b) { a.insert(a.end(), b.begin(), b.end()); return a; }
Bytes Str(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes Be16(unsigned v) { return {std::uint8_t(v >> 8), std::uint8_t(v)}; }
Bytes Le16(unsigned v) { return {std::uint8_t(v), std::uint8_t(v >> 8)}; }
Bytes Be32(std::uint32_t v) { return Be16(v >> 16) + Be16(v & 0xFFFF); }
Bytes Le32(std::uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }

// A JPEG marker segment: marker, length (counting itself), body; a frame header.
Bytes Segment(std::uint8_t m, const Bytes& body) { return Bytes{0xFF, m} + Be16(body.size() + 2) + body; }
Bytes Sof(int m, unsigned w, unsigned h) { return Segment(m, Bytes{8} + Be16(h) + Be16(w) + Bytes(4, 1)); }
const Bytes kSoi{0xFF, 0xD8};

// APP1 with a TIFF block holding IFD0 entries (tag, type, count, value).
Bytes Exif(bool le, std::vector<std::array<unsigned, 4>> entries) {
    auto u16 = le ? Le16 : Be16;
    auto u32 = le ? Le32 : Be32;
    Bytes tiff = (le ? Str("II*") + Bytes{0} : Str("MM") + Bytes{0, '*'}) + u32(8) + u16(entries.size());
    for (auto [tag, type, n, v] : entries) tiff = tiff + u16(tag) + u16(type) + u32(n) + u16(v) + u16(0);
    return Segment(0xE1, Str("Exif") + Bytes{0, 0} + tiff);
}

Bytes Png(std::uint32_t w, std::uint32_t h, const char* chunk = "IHDR") {
    return Str("\x89PNG\r\n\x1A\n") + Be32(13) + Str(chunk) + Be32(w) + Be32(h);
}
Bytes Gif(const char* sig, unsigned w, unsigned h) { return Str(sig) + Le16(w) + Le16(h); }
Bytes Bmp(std::uint32_t size, std::uint32_t w, std::uint32_t h) {  // size 12: the old core header
    return Str("BM") + Bytes(12) + Le32(size) + (size == 12 ? Le16(w) + Le16(h) : Le32(w) + Le32(h));
}
// clang-format on

}  // namespace

// clang-format off
// The fuzz target checks every size against its header and reads past none; here one of each kind.
TEST(SniffPicture, ReadsKindSizeAndOrientation) {
    using K = PictureKind;
    using Case = std::tuple<Bytes, PictureKind, std::uint32_t, std::uint32_t, int>;  // head ends at the size
    for (const auto& [head, kind, w, h, o] : std::vector<Case>{
             {kSoi + Segment(0xE0, Str("JFIF") + Bytes(10)) + Sof(0xC0, 640, 480), K::Jpeg, 640, 480, 1},
             {kSoi + Segment(0xDB, Bytes(65)) + Segment(0xC4, Bytes(20)) + Segment(0xCC, Bytes(2)) +
                  Sof(0xC2, 3840, 2160), K::Jpeg, 3840, 2160, 1},  // progressive, after tables
             {kSoi + Bytes{0xFF, 0xFF} + Sof(0xC1, 7, 9), K::Jpeg, 7, 9, 1},  // fill bytes
             {kSoi + Exif(true, {{0x010F, 2, 4, 0}, {0x0112, 3, 1, 6}}) + Sof(0xC0, 4, 3), K::Jpeg, 4, 3, 6},
             {kSoi + Exif(false, {{0x0112, 3, 1, 8}}) + Sof(0xC0, 40, 30), K::Jpeg, 40, 30, 8},
             {kSoi + Exif(false, {{0x0112, 3, 1, 9}}) + Sof(0xC0, 4, 3), K::Jpeg, 4, 3, 1},  // out of range
             {kSoi + Exif(true, {{0x0112, 4, 1, 6}}) + Sof(0xC0, 4, 3), K::Jpeg, 4, 3, 1},   // not a SHORT
             {Png(1920, 1080), K::Png, 1920, 1080, 1}, {Gif("GIF87a", 300, 200), K::Gif, 300, 200, 1},
             {Bmp(12, 800, 600), K::Bmp, 800, 600, 1}, {Bmp(124, 1024, 0u - 768), K::Bmp, 1024, 768, 1}}) {
        SCOPED_TRACE(::testing::PrintToString(head));
        const auto info = SniffPicture(head).value_or(PictureInfo{});
        EXPECT_EQ(std::tie(info.kind, info.width, info.height, info.orientation), std::tie(kind, w, h, o));
        EXPECT_TRUE(IsPictureStart(head));
    }
}

TEST(SniffPicture, RejectsUnreadableHeadersAndTooManyPixels) {
    for (const Bytes& b : {Str("RIFF....WEBPVP8 "), kSoi + Sof(0xC0, 640, 0),
             kSoi + Segment(0xDA, Bytes(10)) + Sof(0xC0, 4, 4),  // scan before the frame
             kSoi + Segment(0xC4, Bytes(30)) + Segment(0xC8, Bytes(5)) + Bytes{0xFF, 0xD9},  // only tables
             kSoi + Bytes{0xFF, 0xE0, 0, 1} + Sof(0xC0, 4, 4), Png(5, 5, "IDAT"), Gif("GIF88a", 5, 5), Bmp(192, 5, 5)})
        EXPECT_FALSE(SniffPicture(b)) << ::testing::PrintToString(b);
    EXPECT_FALSE(IsPictureStart(Str("GIF8")) || IsPictureStart(Bytes{0xFF, 0xD8}));
    for (auto [w, h, large] : {std::tuple{30000u, 30000u, 1}, {10000u, 10000u, 0}, {10000u, 10001u, 1}})
        EXPECT_EQ(TooLarge(*SniffPicture(kSoi + Sof(0xC0, w, h))), large) << w << "x" << h;
}

// What it must refuse (a pixel short, a JPEG inside, ...) the fuzz target checks, from its corpus on.
TEST(BmpWhole, OnlyABitmapWithAllItsPixelsIsCopied) {
    for (auto [w, s] : {std::pair{1u, 4u}, {2u, 8u}, {4u, 12u}, {5u, 16u}}) EXPECT_EQ(BmpStride(w), s);
    const auto h = BmpHeader(5, 3);  // rows of 16 bytes
    const Bytes head(h.begin(), h.end());
    auto with = [](Bytes b, std::vector<std::pair<int, int>> at) { for (auto [i, v] : at) b[i] = v; return b; };
    const Bytes core = with(head, {{14, 12}, {20, 3}, {22, 1}, {24, 24}});  // the old 12-byte header
    EXPECT_EQ(head[2] | head[3] << 8 | head[34] << 16, 54 + 48 | 48 << 16);  // file and pixel sizes
    EXPECT_TRUE(BmpWhole(head, 54 + 48) && BmpWhole(core, 54 + 48) &&
                BmpWhole(with(head, {{28, 8}, {30, 1}}), 60) &&  // run-length rows: any size
                BmpWhole(with(head, {{10, 66}, {28, 32}, {30, 3}}), 126));  // bit fields with their masks
}

TEST(FitWithin, ScalesDownKeepingAspect) {
    using U = std::uint32_t;
    for (auto [w, h, maxW, maxH, want] : std::vector<std::tuple<U, U, U, U, PixelSize>>{
             {800, 600, 1920, 1080, {800, 600}}, {3840, 2160, 1920, 1080, {1920, 1080}},
             {4000, 1000, 1000, 1000, {1000, 250}}, {1000, 4000, 1000, 1000, {250, 1000}},
             {1999, 1000, 1000, 1000, {1000, 500}}, {100000, 1, 1024, 768, {1024, 1}},
             {1, 100000, 1024, 768, {1, 768}}, {5, 5, 0, 0, {1, 1}}, {0xFFFFFFFF, 0xFFFFFFFE, 7, 7, {7, 7}}})
        EXPECT_EQ(FitWithin(w, h, maxW, maxH), want) << w << "x" << h;
}

TEST(PlaceRow, PutsStoredCornersWhereTheOrientationSays) {
    // Where the stored corners top-left, top-right, bottom-left and bottom-right show, by orientation.
    const std::string want[9] = {"", "TL TR BL BR ", "TR TL BR BL ", "BR BL TR TL ", "BL BR TL TR ",
                                 "TL BL TR BR ", "TR BR TL BL ", "BR TR BL TL ", "BL TL BR TR "};
    const PixelSize stored{3, 2};
    for (int o = 1; o <= 8; ++o) {
        const PixelSize shown = OrientedSize(stored, o);
        const auto stride = std::int64_t(BmpStride(shown.width));
        std::string got;
        for (auto [x, y] : {std::pair{0u, 0u}, {2u, 0u}, {0u, 1u}, {2u, 1u}}) {
            const RowPlacement p = PlaceRow(stored, o, y);
            const std::int64_t off = p.first + x * p.step, row = off / stride, col = off % stride;
            got += off < 0 ? '?' : row == 0 ? 'B' : row == shown.height - 1 ? 'T' : '?';  // rows go bottom-up
            got += off < 0 ? "? " : col == 0 ? "L " : col == 3 * (shown.width - 1) ? "R " : "? ";
        }
        EXPECT_EQ(got, want[o]) << o;
    }
}
// clang-format on
