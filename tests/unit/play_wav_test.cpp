#include "sound/play_wav.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "fakes.h"
#include "sound/speech.h"
#include "sound/wav.h"
#include "wav_builder.h"

using namespace wavtest;

namespace {

// Keeps the bytes of every image played, to look inside joined ones.
struct ListeningSystem : FakeSystem {
    std::vector<Bytes> heard;
    void PlayImage(std::span<const std::uint8_t> image, std::uint32_t flags) override {
        heard.emplace_back(image.begin(), image.end());
        FakeSystem::PlayImage(image, flags);
    }
};

// Each piece's samples differ in length and content, odd lengths included,
// so a piece dropped, repeated or swapped shows in the joined data.
Bytes PieceData(const std::string& name) {
    Bytes d(3 + name.size() * 2 + name.back() % 2);
    for (std::size_t i = 0; i < d.size(); ++i) d[i] = static_cast<std::uint8_t>(name[i % name.size()] + i);
    return d;
}

// What was played, each as "NAME flags".
std::vector<std::string> Heard(const FakeSystem& sys) {
    std::vector<std::string> heard;
    for (const auto& p : sys.played) heard.push_back(p.name + " " + std::to_string(p.flags));
    return heard;
}

}  // namespace

TEST(PlayWav, AlwaysPassesTheImageFromMemoryAndAnUnknownNameReachesTheCaller) {
    FakeSystem sys;
    sys.wavs["CLOCK"] = Pcm(11025, 16, Bytes(40, 0));
    sys.wavs["EMPTY"] = {};
    const std::pair<std::optional<std::uint32_t>, std::uint32_t> cases[] = {
        {std::nullopt, 6}, {0, 4}, {1, 5}, {2, 6}, {4, 4}, {5, 5}, {6, 6}, {8, 12}};
    for (const auto& [given, sent] : cases) {
        given ? PlayWav(sys, "clock", *given) : PlayWav(sys, "clock");
        EXPECT_EQ(Heard(sys).back(), "CLOCK " + std::to_string(sent));
    }
    // clang-format off
    for (const std::string n : {"online", "", "empty"})
        try { PlayWav(sys, n); ADD_FAILURE() << n; } catch (const SoundNotFound& e) { EXPECT_EQ(e.name, n); }
    // clang-format on
    EXPECT_EQ(sys.played.size(), std::size(cases));
}

TEST(PlayWav, An8BitSoundPlaysAs16BitUnlessItPlaysOnAfterTheCall) {
    ListeningSystem sys;
    sys.wavs["MESSAGE"] = Pcm(11025, 8, Bytes{0x80, 0x00, 0xFF, 0x81});
    PlayWav(sys, "message");
    PlayWav(sys, "message", snd::kAsync);  // the copy would be gone while it plays
    ASSERT_EQ(sys.heard.size(), 2u);
    const auto wide = ParseWav(sys.heard[0]);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->format, (WavFormat{1, 1, 11025, 22050, 2, 16}));
    EXPECT_EQ(Bytes(wide->data.begin(), wide->data.end()), (Bytes{0, 0, 0, 0x80, 0, 0x7F, 0, 1}));
    EXPECT_EQ(sys.heard[1], sys.wavs["MESSAGE"]);
}

// The announcement plays as one image holding the pieces in order; pieces
// that cannot be joined play one by one, and a missing one is left out.
TEST(SpeakTime, PlaysOneJoinedImageOrElseEachPieceThereIs) {
    const LocalTime t = MakeTime(2010, 10, 10, 20, 30);
    const auto pieces = ComposeSpeech(t);
    const std::pair<std::string, Bytes> cases[] = {
        {"", {}}, {"T2", {}}, {"T10", Pcm(11025, 8, PieceData("T10"))}, {"NOW", {'R', 'I', 'F', 'F', 0, 0}}};
    for (const auto& [piece, image] : cases) {
        ASSERT_TRUE(piece.empty() || std::ranges::count(pieces, piece)) << piece;  // in the announcement
        ListeningSystem sys;
        for (const auto& name : pieces) sys.wavs[name] = Pcm(22050, 8, PieceData(name));
        if (!piece.empty()) sys.wavs[piece] = image;  // an empty image is a missing one
        EXPECT_NO_THROW(SpeakTime(sys, t));
        std::vector<std::string> expected;
        Bytes joined;
        for (const auto& name : pieces) {
            if (name != piece || !image.empty()) expected.push_back(name + " 6");
            std::ranges::copy(PieceData(name), std::back_inserter(joined));
        }
        if (piece.empty()) expected = {"<image> 6"};
        EXPECT_EQ(Heard(sys), expected) << piece;
        if (!piece.empty() || sys.heard.size() != 1) continue;
        const auto info = ParseWav(sys.heard[0]);
        ASSERT_TRUE(info);
        // As 16-bit samples, like every 8-bit sound.
        Bytes wide;
        for (const std::uint8_t b : joined) wide.insert(wide.end(), {0, std::uint8_t(b ^ 0x80)});
        EXPECT_EQ(info->format, (WavFormat{1, 1, 22050, 44100, 2, 16}));
        EXPECT_EQ(Bytes(info->data.begin(), info->data.end()), wide);
    }
}
