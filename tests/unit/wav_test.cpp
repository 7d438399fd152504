#include "sound/wav.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "wav_builder.h"

using namespace wavtest;

namespace {

// clang-format off
Bytes Samples(std::size_t n, std::uint8_t v) { Bytes b(n); for (auto& x : b) x = v++; return b; }
Bytes operator+(Bytes a, const Bytes& b) { a.insert(a.end(), b.begin(), b.end()); return a; }
Bytes Patched(Bytes b, std::size_t at, const Bytes& by) { std::ranges::copy(by, b.begin() + at); return b; }
// clang-format on

long Offset(const WavInfo& info, const Bytes& image) {  // where the samples lie in the image; -1: outside
    const auto* begin = image.data();
    if (info.data.data() < begin || info.data.data() + info.data.size() > begin + image.size()) return -1;
    return static_cast<long>(info.data.data() - begin);
}

const Bytes kFmt = FmtBody(1, 1, 22050, 8), kData = Samples(7, 1);

}  // namespace

// clang-format off
TEST(ParseWav, FindsTheSamplesRejectsEveryTruncationSizesPastTheImageAndMalformedHeaders) {
    for (const Bytes& image : {Pcm(22050, 8, kData),
             Riff({{"LIST", Samples(5, 9)}, {"fmt ", kFmt + Bytes{0, 0}}, {"junk", {}}, {"data", kData}}),
             Riff({{"fmt ", kFmt}, {"data", kData, std::nullopt, false}}),  // no pad after the last chunk
             Riff({{"data", kData}, {"fmt ", kFmt}}),
             Pcm(22050, 8, kData) + Bytes{'d', 'a', 't', 'a', 9, 9, 9, 9}}) {  // bytes after the RIFF chunk
        SCOPED_TRACE(::testing::PrintToString(image));
        const auto info = ParseWav(image);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->format, (WavFormat{1, 1, 22050, 22050, 1, 8}));
        EXPECT_EQ(Bytes(info->data.begin(), info->data.end()), kData);
        for (std::size_t n = 0; n < image[4] + 8u; ++n) EXPECT_FALSE(ParseWav({image.data(), n})) << n;
    }
    const Bytes d = Samples(4, 0), good = Pcm(22050, 8, d), shortFmt(kFmt.begin(), kFmt.end() - 2);
    const Chunk fmt{"fmt ", kFmt}, data{"data", d};
    for (const Bytes& bad : {Riff({fmt, {"data", d, 0xFFFFFFFFu}}), Riff({fmt, {"data", d, 5}}),
             Riff({{"fmt ", kFmt, 0xFFFFFFF0u}, data}), Riff({{"LIST", {}, 0x7FFFFFFFu}, fmt, data}),
             Riff({fmt, data}, 0xFFFFFFFFu), Riff({fmt, data}, 0xFFFFFFF8u) /* wraps */, Riff({}, 2),
             Riff({data}), Riff({fmt}), Riff({{"fmt ", shortFmt}, data}),
             Patched(good, 3, {'X'}), Patched(good, 11, {'F'}), Bytes{},  // RIFX, WAVF
             Patched(good, 22, {0, 0}), Patched(good, 24, {0, 0, 0, 0}),  // no channels, no rate,
             Patched(good, 32, {0, 0}), Patched(good, 34, {0, 0})})        // no block size, no bits
        EXPECT_FALSE(ParseWav(bad)) << ::testing::PrintToString(bad);
}
// clang-format on

// A good image with a few bytes changed and perhaps cut: whatever parses lies inside.
TEST(ParseWav, GarbageNeverReadsOutside) {
    std::uint32_t state = 12345;  // deterministic, so a failing round can be replayed
    auto next = [&] { return (state = state * 1664525u + 1013904223u) >> 8; };
    const Bytes base = Riff({{"LIST", Samples(6, 0)}, {"fmt ", kFmt}, {"data", Samples(20, 0)}});
    int parsed = 0;
    for (int round = 0; round < 20000; ++round) {
        Bytes b = base;
        for (int k = 0, n = 1 + next() % 4; k < n; ++k) b[next() % b.size()] = std::uint8_t(next());
        b.resize(b.size() - next() % 3);
        const auto info = ParseWav(b);
        parsed += bool(info);
        if (info) EXPECT_GE(Offset(*info, b), 12) << round;
    }
    EXPECT_GT(parsed, 0);  // the mutations did reach the chunk walk
}

// clang-format off
TEST(JoinWav, ConcatenatesWholeFramesUnderOneHeaderAndRefusesWhatCannotPlayAsOne) {
    const Bytes a = Samples(5, 0x10), b = Samples(8, 0x20), c = Samples(4, 0x30);
    const Bytes withList = Riff({{"fmt ", kFmt}, {"LIST", Bytes(3)}, {"data", b}});
    for (const auto& [images, want] : std::vector<std::pair<std::vector<Bytes>, Bytes>>{
             {{Pcm(22050, 8, a)}, a}, {{Pcm(22050, 8, a), withList, Pcm(22050, 8, c)}, a + b + c},
             // 16-bit: the half sample ending a is dropped rather than shifting what follows.
             {{Pcm(22050, 16, a), Pcm(22050, 16, c)}, Bytes(a.begin(), a.end() - 1) + c}}) {
        const auto joined = JoinWav(std::vector<std::span<const std::uint8_t>>(images.begin(), images.end()));
        const auto info = joined ? ParseWav(*joined) : std::nullopt;
        ASSERT_TRUE(info);
        EXPECT_EQ(info->format, ParseWav(images[0])->format);
        EXPECT_EQ(Bytes(info->data.begin(), info->data.end()), want);
        EXPECT_EQ(Offset(*info, *joined), 44);
        EXPECT_EQ(joined->size(), 44 + want.size() + want.size() % 2);  // odd data gets its pad byte
    }
    const Bytes base = Pcm(22050, 8, c), cut(base.begin(), base.end() - 1);
    EXPECT_FALSE(JoinWav({}));
    EXPECT_FALSE(JoinWav({Riff({{"fmt ", FmtBody(3, 1, 22050, 32)}, {"data", c}})}));  // float
    for (const Bytes& o : {Pcm(11025, 8, c), Pcm(22050, 16, c), Pcm(22050, 8, c, 2), cut,
                           Patched(base, 28, {0}) /* byte rate */})
        EXPECT_FALSE(JoinWav({base, o})) << ::testing::PrintToString(o);
}

TEST(Recordings, AreThePlainMonoPcmImagesTheProgramNeeds) {
    const auto dir = std::filesystem::path(__FILE__).parent_path() / "../../resources/wav";
    std::vector<std::string> names = {"clock", "close", "message", "online", "today", "year", "month", "day",
                                      "week", "now", "hour", "minute", "just"};
    for (int d = 0; d <= 10; ++d) names.push_back("t" + std::to_string(d));
    for (const auto& name : names) {
        std::ifstream in(dir / (name + ".wav"), std::ios::binary);
        const Bytes image{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        const auto info = ParseWav(image);
        ASSERT_TRUE(info) << name;
        const auto rate = name == "clock" || name == "close" || name == "message" ? 11025 : 22050;
        const auto want = ParseWav(Pcm(rate, name == "online" ? 16 : 8, {}))->format;  // mono PCM
        EXPECT_EQ(info->format, want) << name;
        // Nothing but fmt and data: the header is the plain 44 bytes.
        EXPECT_TRUE(Offset(*info, image) == 44 && image.size() == 44 + info->data.size()) << name;
        const double seconds = static_cast<double>(info->data.size()) / want.byteRate;
        EXPECT_TRUE(seconds > 0.1 && seconds < 8.0) << name << ": " << seconds;
    }
}
// clang-format on
