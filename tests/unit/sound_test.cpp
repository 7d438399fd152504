// The recordings, playing them, and the spoken date and time.

#include <gtest/gtest.h>

#include <map>

#include "fakes.h"
#include "sound/play_wav.h"
#include "sound/speech.h"
#include "sound/wav.h"

namespace {

using Pieces = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

Bytes Data(const WavInfo& i) { return Bytes(i.data.begin(), i.data.end()); }

// The pieces as the words they say.
std::wstring Said(const Pieces& pieces) {
    static const std::map<std::string, std::wstring> words = {
        {"TODAY", L"今天是"},   {"YEAR", L"年"}, {"MONTH", L"月"},  {"DAY", L"日"}, {"WEEK", L"星期"},
        {"NOW", L"现在时间是"}, {"HOUR", L"点"}, {"MINUTE", L"分"}, {"JUST", L"整"}};
    std::wstring s;
    for (const auto& p : pieces)
        s +=
            words.count(p) ? words.at(p) : std::wstring(1, L"零一二三四五六七八九十"[std::stoi(p.substr(1))]);
    return s;
}

}  // namespace

TEST(PlayWav, FromMemoryWaitingAnd8BitAs16Bit) {
    FakeSystem sys;
    sys.wavs["CLOCK"] = Silence();
    // 8-bit at 11025 Hz: 0x80 0x00 0xFF 0x81.
    const std::string_view message(
        "RIFF\x28\0\0\0WAVEfmt "
        "\x10\0\0\0\1\0\1\0\x11\x2b\0\0\x11\x2b\0\0\1\0\x08\0data\4\0\0\0\x80\0\xff\x81",
        48);
    sys.wavs["MESSAGE"].assign(message.begin(), message.end());
    PlayWav(sys, "clock");
    EXPECT_EQ(sys.played.back().name + std::to_string(sys.played.back().flags), "CLOCK6");
    // Wine ends an 8-bit sound with a click: it plays as 16-bit, unless it plays on after the call.
    PlayWav(sys, "message");
    PlayWav(sys, "message", snd::kAsync);  // the copy would be gone while it plays
    ASSERT_EQ(sys.played.size(), 3u);
    EXPECT_EQ(sys.played[1].name + sys.played[2].name, "<image>MESSAGE");
    const auto wide = ParseWav(sys.played[1].image);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->format, (WavFormat{1, 1, 11025, 22050, 2, 16}));
    EXPECT_EQ(Data(*wide), (Bytes{0, 0, 0, 0x80, 0, 0x7F, 0, 1}));
}

TEST(ComposeSpeech, ReadsEveryKindOfNumberAndTheWeekday) {
    const std::pair<LocalTime, const wchar_t*> cases[] = {
        {MakeTime(2008, 12, 20, 14, 5), L"今天是二零零八年十二月二十日星期六现在时间是十四点零五分"},
        {MakeTime(2009, 1, 1, 0, 0), L"今天是二零零九年一月一日星期四现在时间是零点整"},
        {MakeTime(2010, 10, 10, 10, 10), L"今天是二零一零年十月十日星期日现在时间是十点十分"},
        {MakeTime(2011, 3, 31, 23, 59), L"今天是二零一一年三月三十一日星期四现在时间是二十三点五十九分"},
        {MakeTime(2012, 2, 29, 20, 30), L"今天是二零一二年二月二十九日星期三现在时间是二十点三十分"},
        {MakeTime(2013, 11, 15, 9, 15), L"今天是二零一三年十一月十五日星期五现在时间是九点十五分"},
        {MakeTime(2014, 6, 30, 1, 40), L"今天是二零一四年六月三十日星期一现在时间是一点四十分"},
    };
    for (const auto& [t, said] : cases) EXPECT_EQ(Said(ComposeSpeech(t)), said);
}
