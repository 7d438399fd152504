// The recordings, playing them, and the spoken date and time.

#include <gtest/gtest.h>

#include <algorithm>

#include "fakes.h"
#include "sound/play_wav.h"
#include "sound/speech.h"
#include "sound/wav.h"
#include "wav_builder.h"

using namespace wavtest;

namespace {

using Pieces = std::vector<std::string>;

// clang-format off
Bytes Samples(std::size_t n, std::uint8_t v) { Bytes b(n); for (auto& x : b) x = v++; return b; }
Bytes operator+(Bytes a, const Bytes& b) { a.insert(a.end(), b.begin(), b.end()); return a; }
Bytes Data(const WavInfo& i) { return Bytes(i.data.begin(), i.data.end()); }
// clang-format on

long Offset(const WavInfo& info, const Bytes& image) {  // where the samples lie in the image; -1: outside
    const auto* begin = image.data();
    if (info.data.data() < begin || info.data.data() + info.data.size() > begin + image.size()) return -1;
    return static_cast<long>(info.data.data() - begin);
}

// How a Chinese speaker reads the moment aloud, built from numbers rather
// than from characters of the formatted text, and the recordings that say it.
const std::wstring kDigits = L"零一二三四五六七八九";
std::wstring Number(int n) {  // 0..99
    std::wstring s = n >= 20 ? std::wstring(1, kDigits[n / 10]) : L"";
    if (n >= 10) s += L'十';
    if (n % 10 != 0 || n == 0) s += kDigits[n % 10];
    return s;
}
Pieces Recordings(const LocalTime& t) {
    std::wstring s = L"今天是";
    for (int div = 1000; div >= 1; div /= 10) s += kDigits[t.year / div % 10];
    s += L"年" + Number(t.month) + L"月" + Number(t.day) + L"日星期" + L"日一二三四五六"[t.weekday];
    s += L"现在时间是" + Number(t.hour) + L"点" +
         (t.minute == 0 ? L"整" : (t.minute < 10 ? L"零" : L"") + Number(t.minute) + L"分");
    static const std::vector<std::pair<std::wstring, std::string>> words = {
        {L"今天是", "TODAY"}, {L"现在时间是", "NOW"}, {L"星期", "WEEK"}, {L"年", "YEAR"}, {L"月", "MONTH"},
        {L"日", "DAY"},       {L"点", "HOUR"},        {L"分", "MINUTE"}, {L"整", "JUST"}, {L"十", "T10"}};
    Pieces out;
    for (std::size_t i = 0; i < s.size();) {
        if (const auto d = kDigits.find(s[i]); d != std::wstring::npos) {
            out.push_back("T" + std::to_string(d));
            ++i;
            continue;
        }
        auto w = std::ranges::find_if(
            words, [&](const auto& e) { return s.compare(i, e.first.size(), e.first) == 0; });
        out.push_back(w == words.end() ? "?" : w->second);
        i += w == words.end() ? 1 : w->first.size();
    }
    return out;
}

}  // namespace

// clang-format off
TEST(JoinWav, ConcatenatesWholeFramesUnderOneHeaderAndRefusesWhatCannotPlayAsOne) {
    const Bytes a = Samples(5, 0x10), b = Samples(8, 0x20), c = Samples(4, 0x30);
    for (const auto& [images, want] : std::vector<std::pair<std::vector<Bytes>, Bytes>>{
             {{Pcm(22050, 8, a)}, a}, {{Pcm(22050, 8, a), Pcm(22050, 8, b), Pcm(22050, 8, c)}, a + b + c},
             // 16-bit: the half sample ending a is dropped rather than shifting what follows.
             {{Pcm(22050, 16, a), Pcm(22050, 16, c)}, Bytes(a.begin(), a.end() - 1) + c}}) {
        const auto joined = JoinWav(std::vector<std::span<const std::uint8_t>>(images.begin(), images.end()));
        const auto info = joined ? ParseWav(*joined) : std::nullopt;
        ASSERT_TRUE(info);
        EXPECT_EQ(info->format, ParseWav(images[0])->format);
        EXPECT_EQ(Data(*info), want);
        EXPECT_EQ(Offset(*info, *joined), 44);
        EXPECT_EQ(joined->size(), 44 + want.size() + want.size() % 2);  // odd data gets its pad byte
    }
    EXPECT_FALSE(JoinWav({Pcm(22050, 8, c), Pcm(11025, 8, c)}));  // they would not play as one
}
// clang-format on

TEST(PlayWav, FromMemoryWaitingAnd8BitAs16Bit) {
    FakeSystem sys;
    sys.wavs["CLOCK"] = Pcm(11025, 16, Bytes(40, 0));
    sys.wavs["MESSAGE"] = Pcm(11025, 8, Bytes{0x80, 0x00, 0xFF, 0x81});
    PlayWav(sys, "clock");
    EXPECT_EQ(sys.played.back().name + std::to_string(sys.played.back().flags), "CLOCK6");
    EXPECT_THROW(PlayWav(sys, "online"), SoundNotFound);
    // Wine ends an 8-bit sound with a click: it plays as 16-bit, unless it plays on after the call.
    PlayWav(sys, "message");
    PlayWav(sys, "message", snd::kAsync);  // the copy would be gone while it plays
    const auto wide = ParseWav(sys.played[1].image);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->format, (WavFormat{1, 1, 11025, 22050, 2, 16}));
    EXPECT_EQ(Data(*wide), (Bytes{0, 0, 0, 0x80, 0, 0x7F, 0, 1}));
    EXPECT_EQ(sys.PlayedNames(), (Pieces{"CLOCK", "<image>", "MESSAGE"}));
}

// The announcement plays as one image holding the pieces in order, 8-bit as
// the recordings are played as 16-bit.
TEST(SpeakTime, PlaysOneJoinedImage) {
    const LocalTime t = MakeTime(2010, 10, 10, 20, 30);
    FakeSystem sys;
    Bytes wide;
    for (const auto& name : ComposeSpeech(t)) {
        Bytes d(3 + name.size() * 2);  // each its own length and content
        for (std::size_t i = 0; i < d.size(); ++i)
            d[i] = static_cast<std::uint8_t>(name[i % name.size()] + i);
        sys.wavs[name] = Pcm(22050, 8, d);
        for (const std::uint8_t b : d) wide.insert(wide.end(), {0, std::uint8_t(b ^ 0x80)});
    }
    SpeakTime(sys, t);
    ASSERT_EQ(sys.PlayedNames(), Pieces{"<image>"});
    EXPECT_EQ(sys.played[0].flags, snd::kSyncNoDefault | snd::kMemory);
    EXPECT_EQ(Data(*ParseWav(sys.played[0].image)), wide);
}

TEST(ComposeSpeech, EveryMinuteOfADayAndEveryDayOfALeapAndACommonYearAsSpoken) {
    EXPECT_EQ(ComposeSpeech(MakeTime(2008, 12, 20, 14, 5)),
              (Pieces{"TODAY", "T2",   "T0", "T0",  "T8",  "YEAR", "T10",  "T2", "MONTH", "T2",    "T10",
                      "DAY",   "WEEK", "T6", "NOW", "T10", "T4",   "HOUR", "T0", "T5",    "MINUTE"}));
    for (int h = 0; h < 24; ++h)
        for (int m = 0; m < 60; ++m)
            ASSERT_EQ(ComposeSpeech(MakeTime(2009, 7, 14, h, m)), Recordings(MakeTime(2009, 7, 14, h, m)))
                << h << ":" << m;
    // Weekdays walked from a known New Year's Day, not computed.
    for (auto [year, weekday, february] : {std::tuple{2008, 2, 29}, {2010, 5, 28}}) {
        const int lengths[] = {31, february, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        for (int month = 1; month <= 12; ++month)
            for (int day = 1; day <= lengths[month - 1]; ++day, weekday = (weekday + 1) % 7) {
                LocalTime t = MakeTime(year, month, day, day % 24, month * 4);
                t.weekday = weekday;
                ASSERT_EQ(ComposeSpeech(t), Recordings(t)) << year << "-" << month << "-" << day;
            }
    }
}
