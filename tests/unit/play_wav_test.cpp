#include "sound/play_wav.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fakes.h"
#include "sound/speech.h"
#include "sound/wav.h"
#include "wav_builder.h"

using namespace wavtest;

namespace {

const char* const kSpeechPieces[] = {"TODAY",  "YEAR", "MONTH", "DAY", "WEEK", "NOW", "HOUR",
                                     "MINUTE", "JUST", "T0",    "T1",  "T2",   "T3",  "T4",
                                     "T5",     "T6",   "T7",    "T8",  "T9",   "T10"};

// Keeps the bytes of every image played, to look inside joined ones.
class ListeningSystem : public FakeSystem {
public:
    std::vector<Bytes> heard;
    void PlayImage(std::span<const std::uint8_t> image, std::uint32_t flags) override {
        heard.emplace_back(image.begin(), image.end());
        FakeSystem::PlayImage(image, flags);
    }
};

// Each piece's samples differ in length and content, odd lengths included,
// so a piece dropped, repeated or swapped shows in the joined data.
Bytes PieceData(const std::string& name) {
    Bytes d;
    for (std::size_t i = 0; i < 3 + name.size() * 2 + (name.back() % 2); ++i)
        d.push_back(static_cast<std::uint8_t>(name[i % name.size()] + i));
    return d;
}

void AddSpeech(FakeSystem& sys) {
    for (const char* name : kSpeechPieces) sys.wavs[name] = Pcm(22050, 8, PieceData(name));
}

std::vector<std::string> Names(const FakeSystem& sys) {
    std::vector<std::string> n;
    for (const auto& p : sys.played) n.push_back(p.name);
    return n;
}

}  // namespace

TEST(PlayWav, AlwaysPassesTheImageFromMemory) {
    const struct {
        std::optional<std::uint32_t> given;
        std::uint32_t sent;
    } cases[] = {{std::nullopt, 6}, {0, 4}, {1, 5}, {2, 6}, {4, 4}, {5, 5}, {6, 6}, {8, 12}};
    for (const auto& c : cases) {
        FakeSystem sys;
        sys.wavs["CLOCK"] = Pcm(11025, 8, Bytes(40, 0x80));
        if (c.given)
            PlayWav(sys, "CLOCK", *c.given);
        else
            PlayWav(sys, "CLOCK");
        ASSERT_EQ(sys.played.size(), 1u);
        EXPECT_EQ(sys.played[0].flags, c.sent) << c.given.value_or(99);
    }
}

TEST(PlayWav, PlaysTheNamedResourceItself) {
    FakeSystem sys;
    sys.wavs["CLOCK"] = Pcm(11025, 8, Bytes(40, 0x80));
    sys.wavs["CLOSE"] = Pcm(11025, 8, Bytes(30, 0x80));
    PlayWav(sys, "clock");
    PlayWav(sys, "Close");
    ASSERT_EQ(sys.played.size(), 2u);
    EXPECT_EQ(sys.played[0].name, "CLOCK");
    EXPECT_EQ(sys.played[0].bytes, sys.wavs["CLOCK"].size());
    EXPECT_EQ(sys.played[1].name, "CLOSE");
}

TEST(PlayWav, AnUnknownNameReachesTheCaller) {
    FakeSystem sys;
    sys.wavs["CLOCK"] = Pcm(11025, 8, Bytes(40, 0x80));
    sys.wavs["EMPTY"] = {};
    EXPECT_THROW(PlayWav(sys, "chime"), SoundNotFound);
    EXPECT_THROW(PlayWav(sys, ""), SoundNotFound);
    EXPECT_THROW(PlayWav(sys, "empty"), SoundNotFound);
    try {
        PlayWav(sys, "online");
        ADD_FAILURE();
    } catch (const SoundNotFound& e) {
        EXPECT_EQ(e.name, "online");
    }
    EXPECT_TRUE(sys.played.empty());
}

TEST(SpeakTime, PlaysTheAnnouncementAsOneImage) {
    for (const LocalTime& t :
         {MakeTime(2008, 12, 20, 14, 5), MakeTime(2010, 1, 1, 10, 0), MakeTime(2007, 5, 31, 0, 7)}) {
        ListeningSystem sys;
        AddSpeech(sys);
        SpeakTime(sys, t);
        ASSERT_EQ(sys.played.size(), 1u);
        EXPECT_EQ(sys.played[0].name, "<image>");
        EXPECT_EQ(sys.played[0].flags, 6u);

        const auto info = ParseWav(sys.heard[0]);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->format, (WavFormat{1, 1, 22050, 22050, 1, 8}));
        Bytes expected;
        for (const auto& name : ComposeSpeech(t)) {
            const Bytes d = PieceData(name);
            expected.insert(expected.end(), d.begin(), d.end());
        }
        EXPECT_EQ(Bytes(info->data.begin(), info->data.end()), expected);
    }
}

TEST(SpeakTime, PiecesThatCannotJoinPlayOneByOne) {
    const LocalTime t = MakeTime(2010, 10, 10, 20, 30);
    FakeSystem sys;
    AddSpeech(sys);
    sys.wavs["T10"] = Pcm(11025, 8, PieceData("T10"));
    SpeakTime(sys, t);
    EXPECT_EQ(Names(sys), ComposeSpeech(t));
    for (const auto& p : sys.played) EXPECT_EQ(p.flags, 6u) << p.name;

    FakeSystem broken;
    AddSpeech(broken);
    broken.wavs["NOW"] = {'R', 'I', 'F', 'F', 0, 0};  // the platform decides what to make of it
    SpeakTime(broken, t);
    EXPECT_EQ(Names(broken), ComposeSpeech(t));
}

TEST(SpeakTime, AMissingPieceIsLeftOutAndTheRestGoOn) {
    const LocalTime t = MakeTime(2008, 12, 20, 14, 5);
    FakeSystem sys;
    AddSpeech(sys);
    sys.wavs.erase("T2");
    EXPECT_NO_THROW(SpeakTime(sys, t));
    std::vector<std::string> expected;
    for (const auto& name : ComposeSpeech(t))
        if (name != "T2") expected.push_back(name);
    EXPECT_EQ(Names(sys), expected);
}

TEST(SpeakTime, TheShippedRecordingsJoin) {
    const auto dir =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "resources" / "wav";
    ListeningSystem sys;
    std::size_t samples = 0;
    const LocalTime t = MakeTime(2008, 12, 20, 14, 5);
    for (const char* name : kSpeechPieces) {
        std::string file = name;
        for (auto& c : file) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::ifstream in(dir / (file + ".wav"), std::ios::binary);
        sys.wavs[name] = Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        ASSERT_FALSE(sys.wavs[name].empty()) << file;
    }
    for (const auto& name : ComposeSpeech(t)) samples += ParseWav(sys.wavs[name])->data.size();
    SpeakTime(sys, t);
    ASSERT_EQ(sys.played.size(), 1u);
    EXPECT_EQ(sys.played[0].name, "<image>");
    const auto info = ParseWav(sys.heard[0]);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->data.size(), samples);
    // The whole announcement stays within what a user waits for.
    EXPECT_GT(samples / 22050.0, 4.0);
    EXPECT_LT(samples / 22050.0, 12.0);
}
