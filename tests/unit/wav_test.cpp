#include "sound/wav.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "wav_builder.h"

using namespace wavtest;

namespace {

std::span<const std::uint8_t> S(const Bytes& b) { return b; }

Bytes Samples(std::size_t n, std::uint8_t first) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(first + i);
    return b;
}

// Where a parsed data span lies in its image; -1 when it is not inside.
long Offset(const WavInfo& info, const Bytes& image) {
    const auto* begin = image.data();
    if (info.data.data() < begin || info.data.data() + info.data.size() > begin + image.size()) return -1;
    return static_cast<long>(info.data.data() - begin);
}

// A small deterministic generator, so a failing case can be replayed.
struct Lcg {
    std::uint32_t state;
    std::uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

Bytes ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(ParseWav, ReadsAPlainImage) {
    const Bytes data = Samples(10, 0x40);
    const Bytes image = Pcm(22050, 8, data);
    const auto info = ParseWav(image);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->format, (WavFormat{1, 1, 22050, 22050, 1, 8}));
    EXPECT_EQ(Offset(*info, image), 44);
    EXPECT_EQ(Bytes(info->data.begin(), info->data.end()), data);

    const auto stereo = ParseWav(Pcm(44100, 16, Samples(8, 0), 2));
    ASSERT_TRUE(stereo);
    EXPECT_EQ(stereo->format, (WavFormat{1, 2, 44100, 176400, 4, 16}));
}

TEST(ParseWav, SkipsOtherChunksAndPadBytes) {
    const Bytes data = Samples(7, 1);
    Bytes fmt18 = FmtBody(1, 1, 11025, 8);
    Put(fmt18, 0, 2);  // cbSize of the extended fmt
    const Bytes image = Riff({{"LIST", Samples(5, 9)}, {"fmt ", fmt18}, {"junk", {}}, {"data", data}});
    const auto info = ParseWav(image);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->format.sampleRate, 11025u);
    EXPECT_EQ(Bytes(info->data.begin(), info->data.end()), data);

    // An odd last chunk without its pad byte, as some writers leave it.
    const auto bare = ParseWav(Riff({{"fmt ", FmtBody(1, 1, 8000, 8)}, {"data", data, std::nullopt, false}}));
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->data.size(), 7u);

    // Data before fmt is still found.
    const auto reversed = ParseWav(Riff({{"data", data}, {"fmt ", FmtBody(1, 1, 8000, 8)}}));
    ASSERT_TRUE(reversed);
    EXPECT_EQ(reversed->data.size(), 7u);
}

TEST(ParseWav, IgnoresBytesAfterTheRiffChunk) {
    Bytes image = Pcm(22050, 8, Samples(6, 3));
    image.insert(image.end(), {'d', 'a', 't', 'a', 9, 9, 9, 9});
    const auto info = ParseWav(image);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->data.size(), 6u);
}

TEST(ParseWav, RejectsEveryTruncation) {
    const Bytes image =
        Riff({{"fmt ", FmtBody(1, 1, 22050, 8)}, {"LIST", Samples(4, 0)}, {"data", Samples(9, 0)}});
    ASSERT_TRUE(ParseWav(image));
    for (std::size_t n = 0; n < image.size(); ++n) EXPECT_FALSE(ParseWav(S(image).first(n))) << n;
}

TEST(ParseWav, RejectsSizesReachingPastTheImage) {
    const Bytes fmt = FmtBody(1, 1, 22050, 8);
    const Bytes data = Samples(4, 0);
    EXPECT_FALSE(ParseWav(Riff({{"fmt ", fmt}, {"data", data, 0xFFFFFFFFu}})));
    EXPECT_FALSE(ParseWav(Riff({{"fmt ", fmt}, {"data", data, 5}})));
    EXPECT_FALSE(ParseWav(Riff({{"fmt ", fmt, 0xFFFFFFF0u}, {"data", data}})));
    EXPECT_FALSE(ParseWav(Riff({{"LIST", {}, 0x7FFFFFFFu}, {"fmt ", fmt}, {"data", data}})));
    EXPECT_FALSE(ParseWav(Riff({{"fmt ", fmt}, {"data", data}}, 0xFFFFFFFFu)));
    EXPECT_FALSE(ParseWav(Riff({{"fmt ", fmt}, {"data", data}}, 0xFFFFFFF8u)));  // wraps past 32 bits
}

TEST(ParseWav, RejectsMalformedHeaders) {
    const Bytes data = Samples(4, 0);
    const Bytes good = Pcm(22050, 8, data);
    auto with = [&](std::size_t at, std::uint8_t v) {
        Bytes b = good;
        b[at] = v;
        return b;
    };
    EXPECT_FALSE(ParseWav(with(3, 'X')));   // RIFX
    EXPECT_FALSE(ParseWav(with(11, 'F')));  // WAVF
    EXPECT_FALSE(ParseWav(Riff({{"data", data}})));
    EXPECT_FALSE(ParseWav(Riff({{"fmt ", FmtBody(1, 1, 22050, 8)}})));
    Bytes shortFmt = FmtBody(1, 1, 22050, 8);
    shortFmt.resize(14);
    EXPECT_FALSE(ParseWav(Riff({{"fmt ", shortFmt}, {"data", data}})));
    for (std::size_t field : {22u, 24u, 32u, 34u}) {  // channels, rate, block align, bits
        Bytes b = good;
        std::fill(b.begin() + field, b.begin() + field + (field == 24 ? 4 : 2), 0);
        EXPECT_FALSE(ParseWav(b)) << field;
    }
    EXPECT_FALSE(ParseWav(Riff({}, 2)));
    EXPECT_FALSE(ParseWav(Bytes{}));
}

TEST(ParseWav, GarbageNeverReadsOutside) {
    Lcg rng{12345};
    const Bytes base =
        Riff({{"LIST", Samples(6, 0)}, {"fmt ", FmtBody(1, 1, 22050, 8)}, {"data", Samples(20, 0)}});
    int parsed = 0;
    for (int round = 0; round < 20000; ++round) {
        Bytes b;
        if (round % 2) {
            b.resize(rng.Next() % 96);
            for (auto& x : b) x = static_cast<std::uint8_t>(rng.Next());
            if (b.size() >= 12 && round % 4 == 1) {
                std::copy_n("RIFF", 4, b.begin());
                std::copy_n("WAVE", 4, b.begin() + 8);
            }
        } else {
            b = base;
            for (int k = 0, n = 1 + rng.Next() % 4; k < n; ++k)
                b[rng.Next() % b.size()] = static_cast<std::uint8_t>(rng.Next());
            b.resize(b.size() - rng.Next() % 3);
        }
        if (const auto info = ParseWav(b)) {
            ++parsed;
            EXPECT_GE(Offset(*info, b), 12) << round;
        }
    }
    EXPECT_GT(parsed, 0);  // the mutations did reach the chunk walk
}

TEST(JoinWav, ConcatenatesSamplesUnderOneHeader) {
    const Bytes a = Samples(5, 0x10), b = Samples(8, 0x20), c = Samples(4, 0x30);
    const Bytes withList = Riff({{"fmt ", FmtBody(1, 1, 22050, 8)}, {"LIST", Samples(3, 0)}, {"data", b}});
    const auto joined = JoinWav({S(Pcm(22050, 8, a)), S(withList), S(Pcm(22050, 8, c))});
    ASSERT_TRUE(joined);
    const auto info = ParseWav(*joined);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->format, (WavFormat{1, 1, 22050, 22050, 1, 8}));
    Bytes expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    expected.insert(expected.end(), c.begin(), c.end());
    EXPECT_EQ(Bytes(info->data.begin(), info->data.end()), expected);
    EXPECT_EQ(Offset(*info, *joined), 44);
    EXPECT_EQ(joined->size(), 44u + 17u + 1u);  // odd data gets its pad byte
}

TEST(JoinWav, KeepsSixteenBitFramesAligned) {
    const Bytes a = Samples(5, 0x10), b = Samples(4, 0x20);  // a ends in half a sample
    const auto joined = JoinWav({S(Pcm(22050, 16, a)), S(Pcm(22050, 16, b))});
    ASSERT_TRUE(joined);
    const auto info = ParseWav(*joined);
    ASSERT_TRUE(info);
    EXPECT_EQ(Bytes(info->data.begin(), info->data.end()),
              (Bytes{0x10, 0x11, 0x12, 0x13, 0x20, 0x21, 0x22, 0x23}));
    EXPECT_EQ(info->format.bitsPerSample, 16);
}

TEST(JoinWav, RefusesWhatCannotPlayAsOne) {
    const Bytes d = Samples(4, 0);
    const Bytes base = Pcm(22050, 8, d);
    EXPECT_FALSE(JoinWav({}));
    EXPECT_FALSE(JoinWav({S(base), S(Pcm(11025, 8, d))}));
    EXPECT_FALSE(JoinWav({S(base), S(Pcm(22050, 16, d))}));
    EXPECT_FALSE(JoinWav({S(base), S(Pcm(22050, 8, d, 2))}));
    EXPECT_FALSE(JoinWav({S(Riff({{"fmt ", FmtBody(3, 1, 22050, 32)}, {"data", d}}))}));  // float
    EXPECT_FALSE(JoinWav({S(base), S(base).first(base.size() - 1)}));
    Bytes oddRate = base;
    oddRate[28] ^= 1;  // byte rate no longer matches the first image
    EXPECT_FALSE(JoinWav({S(base), S(oddRate)}));
    ASSERT_TRUE(JoinWav({S(base)}));
    EXPECT_EQ(*JoinWav({S(base)}), base);
}

TEST(Recordings, AreThePlainMonoPcmImagesTheProgramNeeds) {
    const auto dir =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "resources" / "wav";
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
    std::map<std::string, std::pair<std::uint32_t, std::uint16_t>> expected = {
        {"clock", {11025, 8}}, {"close", {11025, 8}}, {"message", {11025, 8}}, {"online", {22050, 16}}};
    for (const char* word : {"today", "year", "month", "day", "week", "now", "hour", "minute", "just"})
        expected[word] = {22050, 8};
    for (int d = 0; d <= 10; ++d) expected["t" + std::to_string(d)] = {22050, 8};
    ASSERT_EQ(expected.size(), 24u);

    for (const auto& [name, fmt] : expected) {
        const Bytes image = ReadFile(dir / (name + ".wav"));
        const auto info = ParseWav(image);
        ASSERT_TRUE(info) << name;
        EXPECT_EQ(info->format.formatTag, 1) << name;
        EXPECT_EQ(info->format.channels, 1) << name;
        EXPECT_EQ(info->format.sampleRate, fmt.first) << name;
        EXPECT_EQ(info->format.bitsPerSample, fmt.second) << name;
        // Nothing but fmt and data: the header is the plain 44 bytes.
        EXPECT_EQ(Offset(*info, image), 44) << name;
        EXPECT_EQ(image.size(), 44 + info->data.size()) << name;
        const double seconds = static_cast<double>(info->data.size()) / info->format.byteRate;
        EXPECT_GT(seconds, 0.1) << name;
        EXPECT_LT(seconds, 8.0) << name;
    }
}
