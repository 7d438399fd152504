#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wallpaper/bitmap_file.h"
#include "wallpaper/picture_info.h"

using namespace wallpaper;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes Str(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes Be16(unsigned v) { return {std::uint8_t(v >> 8), std::uint8_t(v)}; }
Bytes Le16(unsigned v) { return {std::uint8_t(v), std::uint8_t(v >> 8)}; }
Bytes Be32(std::uint32_t v) { return Be16(v >> 16) + Be16(v & 0xFFFF); }
Bytes Le32(std::uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }

// A JPEG marker segment: marker, length (counting itself), body.
Bytes Segment(std::uint8_t marker, const Bytes& body) {
    return Bytes{0xFF, marker} + Be16(body.size() + 2) + body;
}
Bytes Sof(std::uint8_t marker, unsigned w, unsigned h) {
    return Segment(marker, Bytes{8} + Be16(h) + Be16(w) + Bytes{1, 1, 0x11, 0});
}
const Bytes kSoi{0xFF, 0xD8};

// APP1 with a TIFF block holding IFD0 entries (tag, type, count, value).
Bytes Exif(bool le, std::vector<std::array<unsigned, 4>> entries) {
    auto u16 = le ? Le16 : Be16;
    auto u32 = le ? Le32 : Be32;
    Bytes tiff = (le ? Str("II*") + Bytes{0} : Str("MM") + Bytes{0, '*'}) + u32(8) + u16(entries.size());
    for (auto [tag, type, count, value] : entries)
        tiff = tiff + u16(tag) + u16(type) + u32(count) + u16(value) + u16(0);
    return Segment(0xE1, Str("Exif") + Bytes{0, 0} + tiff);
}

Bytes Png(std::uint32_t w, std::uint32_t h, const char* chunk = "IHDR") {
    return Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A} + Be32(13) + Str(chunk) + Be32(w) + Be32(h);
}
Bytes Gif(const char* sig, unsigned w, unsigned h) { return Str(sig) + Le16(w) + Le16(h); }
Bytes BmpCore(unsigned w, unsigned h) { return Str("BM") + Bytes(12) + Le32(12) + Le16(w) + Le16(h); }
Bytes BmpInfo(std::uint32_t size, std::uint32_t w, std::uint32_t h) {
    return Str("BM") + Bytes(12) + Le32(size) + Le32(w) + Le32(h);
}

struct Good {
    const char* name;
    Bytes head;  // ends with the last byte the size depends on
    PictureKind kind;
    std::uint32_t w, h;
    int orientation;
};

std::vector<Good> GoodPictures() {
    const Bytes app0 = Segment(0xE0, Str("JFIF") + Bytes(10));
    return {
        {"baseline", kSoi + app0 + Sof(0xC0, 640, 480), PictureKind::Jpeg, 640, 480, 1},
        {"progressive after tables",
         kSoi + Segment(0xDB, Bytes(65)) + Segment(0xC4, Bytes(20)) + Segment(0xCC, Bytes(2)) +
             Sof(0xC2, 3840, 2160),
         PictureKind::Jpeg, 3840, 2160, 1},
        {"fill bytes", kSoi + Bytes{0xFF, 0xFF} + Sof(0xC1, 7, 9), PictureKind::Jpeg, 7, 9, 1},
        {"exif le", kSoi + Exif(true, {{0x010F, 2, 4, 0}, {0x0112, 3, 1, 6}}) + Sof(0xC0, 40, 30),
         PictureKind::Jpeg, 40, 30, 6},
        {"exif be", kSoi + Exif(false, {{0x0112, 3, 1, 8}}) + Sof(0xC0, 40, 30), PictureKind::Jpeg, 40, 30,
         8},
        {"exif out of range", kSoi + Exif(false, {{0x0112, 3, 1, 9}}) + Sof(0xC0, 4, 3), PictureKind::Jpeg, 4,
         3, 1},
        {"exif wrong type", kSoi + Exif(true, {{0x0112, 4, 1, 6}}) + Sof(0xC0, 4, 3), PictureKind::Jpeg, 4, 3,
         1},
        {"png", Png(1920, 1080), PictureKind::Png, 1920, 1080, 1},
        {"gif87a", Gif("GIF87a", 300, 200), PictureKind::Gif, 300, 200, 1},
        {"gif89a", Gif("GIF89a", 65535, 1), PictureKind::Gif, 65535, 1, 1},
        {"bmp core", BmpCore(800, 600), PictureKind::Bmp, 800, 600, 1},
        {"bmp info", BmpInfo(40, 1024, 768), PictureKind::Bmp, 1024, 768, 1},
        {"bmp v5 top-down", BmpInfo(124, 1024, 0u - 768), PictureKind::Bmp, 1024, 768, 1},
    };
}

std::optional<PictureInfo> SniffCopy(const Bytes& b, std::size_t n) {
    // An exact-size copy, so that a read past the end shows under a sanitizer.
    std::vector<std::uint8_t> cut(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n));
    return SniffPicture(cut);
}

}  // namespace

TEST(SniffPicture, ReadsKindSizeAndOrientation) {
    for (const auto& g : GoodPictures()) {
        SCOPED_TRACE(g.name);
        const auto info = SniffCopy(g.head, g.head.size());
        ASSERT_TRUE(info);
        EXPECT_EQ(info->kind, g.kind);
        EXPECT_EQ(info->width, g.w);
        EXPECT_EQ(info->height, g.h);
        EXPECT_EQ(info->orientation, g.orientation);
        EXPECT_TRUE(IsPictureStart(g.head));
    }
}

TEST(SniffPicture, EveryTruncationFails) {
    for (const auto& g : GoodPictures())
        for (std::size_t n = 0; n < g.head.size(); ++n)
            EXPECT_FALSE(SniffCopy(g.head, n)) << g.name << " cut at " << n;
}

TEST(SniffPicture, RejectsUnreadableHeaders) {
    const std::vector<std::pair<const char*, Bytes>> bad = {
        {"unknown", Str("RIFF....WEBPVP8 ")},
        {"jpeg zero height", kSoi + Sof(0xC0, 640, 0)},
        {"jpeg scan before frame", kSoi + Segment(0xDA, Bytes(10)) + Sof(0xC0, 4, 4)},
        {"jpeg only tables", kSoi + Segment(0xC4, Bytes(30)) + Segment(0xC8, Bytes(5)) + Bytes{0xFF, 0xD9}},
        {"jpeg short length", kSoi + Bytes{0xFF, 0xE0, 0, 1} + Sof(0xC0, 4, 4)},
        {"jpeg short frame", kSoi + Segment(0xC0, Bytes{8, 0, 4})},
        {"png first chunk not IHDR", Png(5, 5, "IDAT")},
        {"png huge", Png(0x80000000u, 1)},
        {"gif zero width", Gif("GIF89a", 0, 5)},
        {"gif other version", Gif("GIF88a", 5, 5)},
        {"bmp height INT_MIN", BmpInfo(40, 5, 0x80000000u)},
        {"bmp negative width", BmpInfo(40, 0u - 5, 5)},
        {"bmp unknown header", BmpInfo(64 * 3, 5, 5)},
        {"bmp zero height", BmpInfo(108, 5, 0)},
    };
    for (const auto& [name, b] : bad) EXPECT_FALSE(SniffCopy(b, b.size())) << name;
    EXPECT_FALSE(IsPictureStart(Str("GIF8")));
    EXPECT_FALSE(IsPictureStart(Bytes{0xFF, 0xD8}));
}

TEST(SniffPicture, TooLargeCountsPixels) {
    const struct {
        unsigned w, h;
        bool large;
    } cases[] = {{30000, 30000, true}, {10000, 10000, false}, {10000, 10001, true}, {65535, 1, false}};
    for (const auto& c : cases) {
        const auto info = SniffPicture(kSoi + Sof(0xC0, c.w, c.h));
        ASSERT_TRUE(info);
        EXPECT_EQ(TooLarge(*info), c.large) << c.w << "x" << c.h;
    }
}

TEST(BmpHeader, DescribesItsOwnRows) {
    for (std::uint32_t w : {1u, 2u, 3u, 4u, 5u, 3840u}) {
        std::size_t stride = 0;
        while (stride < 3 * w || stride % 4) ++stride;
        EXPECT_EQ(BmpStride(w), stride) << w;
        const std::uint32_t h = w + 1;
        const auto hdr = BmpHeader(w, h);
        const Bytes b(hdr.begin(), hdr.end());
        const auto le32 = [&](std::size_t at) {
            return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24;
        };
        EXPECT_EQ(std::size_t(le32(2)), 54 + stride * h);
        EXPECT_EQ(le32(10), 54);
        EXPECT_EQ(std::size_t(le32(34)), stride * h);
        EXPECT_EQ(b[28], 24);
        EXPECT_EQ(le32(30), 0);
        const auto back = SniffPicture(b);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->width, w);
        EXPECT_EQ(back->height, h);
        EXPECT_GT(le32(22), 0);
    }
}

TEST(BmpWhole, OnlyABitmapWithAllItsPixelsIsCopied) {
    const auto h = BmpHeader(5, 3);  // rows of 16 bytes
    const std::span<const std::uint8_t> head(h.data(), h.size());
    EXPECT_TRUE(BmpWhole(head, 54 + 48));
    EXPECT_FALSE(BmpWhole(head, 54 + 47));
    EXPECT_FALSE(BmpWhole(head.first(20), 54 + 48));
    auto rle = h;
    rle[30] = 1;  // run-length rows have no fixed size
    EXPECT_TRUE(BmpWhole(rle, 60));
    rle[30] = 4;  // a JPEG inside a bitmap
    EXPECT_FALSE(BmpWhole(rle, 54 + 48));
    auto far = h;
    far[10] = 200;  // the pixels would start past the end
    EXPECT_FALSE(BmpWhole(far, 100));
}

TEST(FitWithin, ScalesDownKeepingAspect) {
    const struct {
        std::uint32_t w, h, maxW, maxH;
        PixelSize want;
    } cases[] = {
        {800, 600, 1920, 1080, {800, 600}},     {3840, 2160, 1920, 1080, {1920, 1080}},
        {4000, 1000, 1000, 1000, {1000, 250}},  {1000, 4000, 1000, 1000, {250, 1000}},
        {1999, 1000, 1000, 1000, {1000, 500}},  {100000, 1, 1024, 768, {1024, 1}},
        {1, 100000, 1024, 768, {1, 768}},       {5, 5, 0, 0, {1, 1}},
        {0xFFFFFFFF, 0xFFFFFFFE, 7, 7, {7, 7}},
    };
    for (const auto& c : cases) EXPECT_EQ(FitWithin(c.w, c.h, c.maxW, c.maxH), c.want) << c.w << "x" << c.h;
}

TEST(PlaceRow, PutsStoredCornersWhereTheOrientationSays) {
    enum Edge { Top, Bottom, Left, Right };
    // Which edge of the shown picture the stored first row and first column lie on.
    const Edge row0[9] = {Top, Top, Top, Bottom, Bottom, Left, Right, Right, Left};
    const Edge col0[9] = {Left, Left, Right, Right, Left, Top, Top, Bottom, Bottom};
    auto other = [](Edge e) { return Edge(e ^ 1); };
    const PixelSize stored{3, 2};
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE(o);
        const PixelSize shown = OrientedSize(stored, o);
        const std::size_t stride = BmpStride(shown.width);
        std::vector<int> at(stride * shown.height, -1);  // stored pixel id at each byte offset
        for (std::uint32_t y = 0; y < stored.height; ++y) {
            const RowPlacement p = PlaceRow(stored, o, y);
            for (std::uint32_t x = 0; x < stored.width; ++x) {
                const std::int64_t off = p.first + x * p.step;
                ASSERT_TRUE(off >= 0 && off < std::int64_t(at.size()));
                const std::int64_t inRow = off % std::int64_t(stride);
                ASSERT_TRUE(inRow % 3 == 0 && inRow / 3 < shown.width) << "not a pixel: " << off;
                ASSERT_EQ(at[off], -1) << "written twice";
                at[off] = int(y * stored.width + x);
            }
        }
        // The id shown at a corner given by two edges; bottom-up rows.
        auto corner = [&](Edge a, Edge b) {
            const bool bottom = a == Bottom || b == Bottom, right = a == Right || b == Right;
            const std::size_t fileRow = bottom ? 0 : shown.height - 1;
            return at[fileRow * stride + (right ? shown.width - 1 : 0) * 3];
        };
        EXPECT_EQ(corner(row0[o], col0[o]), 0);
        EXPECT_EQ(corner(row0[o], other(col0[o])), int(stored.width - 1));
        EXPECT_EQ(corner(other(row0[o]), col0[o]), int((stored.height - 1) * stored.width));
    }
}
